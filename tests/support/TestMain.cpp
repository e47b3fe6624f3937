// Shared main of the test programs: an offscreen application object (window tests need one, the
// yield uses it), ODBC pointed at the private odbcinst.ini before the first ODBC call.
#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray sandbox = qgetenv("TARNWICK_TEST_SANDBOX");
    if (!sandbox.isEmpty() && qEnvironmentVariableIsEmpty("ODBCSYSINI")) {
        qputenv("ODBCSYSINI", sandbox);
    }
    ::testing::InitGoogleTest(&argc, argv);
    tarnwick::app::Application application(argc, argv);
    return RUN_ALL_TESTS();
}
