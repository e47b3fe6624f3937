#pragma once

class QWidget;

namespace tarnwick::pages {

// Installs the pointer rules of a page, looked up by the page's object name in the one table of
// all pages: moving the mouse over one of its push buttons asks for the custom pointer, over the
// page itself or one of its listed controls for the default pointer; a busy page stays busy.
// Controls that the table does not list leave the pointer as it is. Throws Failure when a listed
// control is missing from the page.
void InstallPointerRules(QWidget& page);

}  // namespace tarnwick::pages
