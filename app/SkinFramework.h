#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tarnwick::app {

// The login page's skin. A skin file is a Qt style sheet (UTF-8 text, the syntax of
// QWidget::setStyleSheet); see resources/x/o.cjs for a sample. The skin is used in four calls,
// in this order: LoadSkin, the option bit kSkinOptionEnabled, the two switches, ApplyWindow.
class SkinFramework : public QObject {
  public:
    // Options() bit: the loaded skin is put on windows. While it is clear, ApplyWindow does
    // nothing.
    static constexpr int kSkinOptionEnabled = 1;

    explicit SkinFramework(QObject* parent = nullptr);

    // Reads the style sheet from a file. Throws Failure with the file's error text when it
    // cannot be read. Replaces a skin loaded before.
    void LoadSkin(const QString& path);
    const QString& StyleSheet() const { return styleSheet_; }

    int Options() const { return options_; }
    void SetOptions(int options) { options_ = options; }

    // The window keeps the fonts it was designed with (Arial 9 pt bold, push buttons
    // Arial 11.25 pt bold) unless the skin names a control by its object name.
    void SetKeepDesignFonts(bool keep) { keepDesignFonts_ = keep; }
    bool KeepDesignFonts() const { return keepDesignFonts_; }

    // The window keeps its designed fixed size whatever sizes the skin gives.
    void SetKeepDesignSize(bool keep) { keepDesignSize_ = keep; }
    bool KeepDesignSize() const { return keepDesignSize_; }

    // Puts the skin on a window and every control inside it.
    void ApplyWindow(QWidget& window) const;

  private:
    QString styleSheet_;
    int options_ = 0;
    bool keepDesignFonts_ = false;
    bool keepDesignSize_ = false;
};

// Skins the login page when the skin file "x/o.cjs" is listed in the application folder
// (a plain listing of normal files: a hidden file counts as absent). The page and its frames and
// labels first take the button-face colour, then the skin is loaded and put on the page.
// Without the file nothing changes. A failure ends the routine where it happens and goes to the
// caller.
void ApplySkin(QWidget& loginPage, SkinFramework& skin);

// True when the file is listed in its folder as a normal, visible file.
bool IsListedAsNormalFile(const QString& path);

}  // namespace tarnwick::app
