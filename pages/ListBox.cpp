#include "pages/ListBox.h"

#include <QListWidget>

#include "app/core/FailureDescription.h"

namespace tarnwick::pages {
namespace {

void RequireIndex(const QListWidget& list, int index) {
    if (index < 0 || index >= list.count()) {
        throw app::Failure(QStringLiteral("Entry %1 does not exist in %2 (it holds %3 entries)")
                               .arg(index)
                               .arg(list.objectName())
                               .arg(list.count()));
    }
}

}  // namespace

int SelectedIndex(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

void SelectIndex(QListWidget& list, int index) {
    RequireIndex(list, index);
    list.setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

int ItemCount(const QListWidget& list) {
    return list.count();
}

QString ItemText(const QListWidget& list, int index) {
    RequireIndex(list, index);
    return list.item(index)->text();
}

void AddItem(QListWidget& list, const QString& text) {
    list.addItem(text);
}

void RemoveItem(QListWidget& list, int index) {
    RequireIndex(list, index);
    const bool wasSelected = list.item(index)->isSelected();
    delete list.takeItem(index);
    if (wasSelected) {
        list.clearSelection();
        list.setCurrentRow(-1);
    }
}

void Clear(QListWidget& list) {
    list.clear();
}

QStringList Items(const QListWidget& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
    return items;
}

}  // namespace tarnwick::pages
