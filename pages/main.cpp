// Tarnwick: the login page's start-up sequence, then the window system's event loop. The program
// ends when a page is closed.
#include "app/Application.h"
#include "app/ApplicationIcon.h"
#include "app/QtMessageBoxService.h"
#include "app/core/MessageBoxService.h"
#include "pages/Wizard.h"

int main(int argc, char** argv) {
    tarnwick::app::Application application(argc, argv);
    tarnwick::app::QtMessageBoxService messageBoxes;
    tarnwick::app::MessageBoxServiceScope messageBoxScope(messageBoxes);
    tarnwick::pages::Wizard wizard;
    wizard.Start();
    return tarnwick::app::Application::exec();
}
