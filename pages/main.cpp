// Tarnwick: the login page's start-up sequence, then the window system's event loop. The program
// ends when a page is closed. --help and --version are answered without a window.
#include "app/Application.h"
#include "app/ApplicationIcon.h"
#include "app/QtMessageBoxService.h"
#include "app/StartOptions.h"
#include "app/core/MessageBoxService.h"
#include "pages/Wizard.h"

int main(int argc, char** argv) {
    if (const auto status = tarnwick::app::AnswerStartOptions(argc, argv, TARNWICK_VERSION))
        return *status;
    tarnwick::app::Application application(argc, argv);
    tarnwick::app::QtMessageBoxService messageBoxes;
    tarnwick::app::MessageBoxServiceScope messageBoxScope(messageBoxes);
    tarnwick::pages::Wizard wizard;
    wizard.Start();
    return tarnwick::app::Application::exec();
}
