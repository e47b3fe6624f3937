#pragma once

#include <QString>

namespace tarnwick::app {

// The product name: caption of every page, section of the settings store, source of the
// application title.
inline constexpr char16_t kProductName[] = u"Tarnwick";

// The title a product name gives: the text before its last blank, cut again at the last blank
// while longer than 40 characters. A name without any blank is its own title; a cut that would
// leave nothing gives the product name too, so the title is never empty.
QString CutApplicationTitle(const QString& productName);

// Sets the application title from the product name, once at start-up.
void SetApplicationTitle();

// The application title; the product name until SetApplicationTitle has run.
QString ApplicationTitle();

// A message box with an OK button only, no icon, and the application title as its caption.
void ShowMessage(const QString& text);

}  // namespace tarnwick::app
