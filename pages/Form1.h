#pragma once

#include "app/RememberedValues.h"
#include "db/ConnectionSettings.h"
#include "pages/ActionGuard.h"
#include "pages/PageWindow.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tarnwick::app {
class SkinFramework;
}

namespace tarnwick::pages {

class Wizard;

// The login page: the five login values (the only home of the connection settings during a run,
// remembered between runs), a connection test, the connection help, and "Next >", which lists
// the tables on the table page and hands over to it.
class Form1 : public PageWindow {
  public:
    explicit Form1(Wizard& wizard);

    // The start-up sequence: look, titles, remembered values, and the hand-over to the table
    // page when the remembered login still works.
    void Form_Load();
    void PushButton2_Click();  // "Help"
    void PushButton3_Click();  // "Next >"
    void PushButton5_Click();  // "Test Connection"

    // The five fields as they stand.
    db::ConnectionSettings LoginValues() const;

    QLineEdit& Text1() const { return *text1_; }
    QLineEdit& Text2() const { return *text2_; }
    QLineEdit& Text3() const { return *text3_; }
    QLineEdit& Text4() const { return *text4_; }
    QLineEdit& Text5() const { return *text5_; }
    const app::RememberedValues& Remembered() const { return remembered_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Writes the field's whole text to the settings store whenever it changes.
    void RememberChanges(QLineEdit& field, const char* procedure, const char* valueName);

    Wizard& wizard_;
    app::RememberedValues remembered_;
    ActionGuard connectionTest_;
    app::SkinFramework* skin_;  // children of the page from here on
    QGroupBox* frame1_;
    QLineEdit* text1_;
    QLineEdit* text5_;
    QLineEdit* text2_;
    QLineEdit* text3_;
    QLineEdit* text4_;
    QPushButton* pushButton5_;
    QPushButton* pushButton2_;
    QPushButton* pushButton3_;
};

}  // namespace tarnwick::pages
