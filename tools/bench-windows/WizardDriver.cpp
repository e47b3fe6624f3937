#include "tools/bench-windows/WizardDriver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <stdexcept>

#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"
#include "pages/Wizard.h"

namespace tarnwick::tools {
namespace {

void Select(QListWidget& list, const QString& text) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        throw std::runtime_error("no entry " + text.toStdString() + " in " +
                                 list.objectName().toStdString());
    list.setCurrentItem(found.first());
}

void RequireVisible(QWidget& page) {
    if (!page.isVisible())
        throw std::runtime_error("page " + page.objectName().toStdString() + " is not shown");
}

}  // namespace

WizardDriver::WizardDriver() : wizard_(std::make_unique<pages::Wizard>()) {
    wizard_->Start();
}

WizardDriver::~WizardDriver() = default;

void WizardDriver::Click(QWidget& page, const char* button) {
    Control<QPushButton>(page, button).click();
}

QWidget& WizardDriver::FieldPage() {
    return wizard_->FieldPage();
}

QWidget& WizardDriver::WalkToResultPage(const db::ConnectionSettings& login, const QString& table,
                                        const QStringList& keyFields, const QString& newTable) {
    QWidget& form1 = wizard_->LoginPage();
    const std::pair<const char*, QString> values[] = {{"Text1", login.server},
                                                      {"Text2", login.user},
                                                      {"Text3", login.password},
                                                      {"Text4", login.database},
                                                      {"Text5", login.port}};
    for (const auto& [name, value] : values) Control<QLineEdit>(form1, name).setText(value);
    Click(form1, "PushButton3");

    QWidget& form2 = wizard_->TablePage();
    RequireVisible(form2);
    Select(Control<QListWidget>(form2, "List1"), table);
    Click(form2, "PushButton3");

    QWidget& form3 = wizard_->FieldPage();
    RequireVisible(form3);
    for (const QString& field : keyFields) {
        Select(Control<QListWidget>(form3, "List1"), field);
        Click(form3, "PushButton5");
    }
    Click(form3, "PushButton4");

    QWidget& form4 = wizard_->ResultPage();
    RequireVisible(form4);
    Control<QLineEdit>(form4, "Text1").setText(newTable);
    return form4;
}

}  // namespace tarnwick::tools
