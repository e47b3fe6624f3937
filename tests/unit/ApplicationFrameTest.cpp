#include <gtest/gtest.h>

#include "tests/support/QtPrinting.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QProcess>
#include <thread>

#include "app/ProgramEnd.h"
#include "app/Yield.h"
#include "app/core/FailureDescription.h"
#include "tests/support/RecordingMessageBoxService.h"

using namespace tarnwick::app;
using tarnwick::test::RecordingMessageBoxService;

namespace {

class ThrowingObject : public QObject {
  public:
    bool event(QEvent*) override { throw Failure("handler failed"); }
};

}  // namespace

TEST(Yield, ProcessesPendingEventsAtMostOnceEveryFewMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int ran = 0;
    QMetaObject::invokeMethod(
        qApp, [&] { ++ran; }, Qt::QueuedConnection);
    YieldToWindowSystem();
    EXPECT_EQ(ran, 1);
    // Called again at once: throttled, the new event waits.
    QMetaObject::invokeMethod(
        qApp, [&] { ++ran; }, Qt::QueuedConnection);
    YieldToWindowSystem();
    EXPECT_EQ(ran, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    YieldToWindowSystem();
    EXPECT_EQ(ran, 2);
}

TEST(Application, AFailureEscapingAnEventHandlerIsReportedAndEndsTheProgram) {
    RecordingMessageBoxService boxes;
    std::vector<int> exitCodes;
    ProgramEndHandlerScope endScope([&](int code) { exitCodes.push_back(code); });
    ThrowingObject object;
    object.setObjectName("Form3.List2_DblClick");
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    EXPECT_EQ(exitCodes, std::vector<int>{1});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(
        "handler failed\r\nin Quillomer2021/08/31.Form3.List2_DblClick \r\r"))
        << boxes.boxes[0].text.toStdString();
}

// Like any desktop program, Tarnwick answers --help and --version where there is no display.
TEST(StartOptions, HelpAndVersionAnswerWithoutADisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    for (const char* option : {"--help", "-h", "--version"}) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(TARNWICK_PATH, {option});
        ASSERT_TRUE(program.waitForFinished(10000)) << option;
        EXPECT_EQ(program.exitCode(), 0) << option;
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_TRUE(
            out.startsWith(std::string(option) == "--version" ? "tarnwick 0." : "Usage: tarnwick"))
            << option << ": " << out.toStdString();
        EXPECT_TRUE(program.readAllStandardError().isEmpty()) << option;
    }
}
