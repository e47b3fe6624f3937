#pragma once

#include <QString>
#include <QStringList>

#include "engine/ItemList.h"

class QListWidget;

namespace tarnwick::pages {

// A list box's operations as the pages use them: entries by index from 0, at most one selected.

// The index of the selected entry, or -1 when no entry is selected.
int SelectedIndex(const QListWidget& list);
void SelectIndex(QListWidget& list, int index);
int ItemCount(const QListWidget& list);
// Throws Failure for an index outside the list.
QString ItemText(const QListWidget& list, int index);
void AddItem(QListWidget& list, const QString& text);
// Removes an entry; when it was the selected one, no entry is selected afterwards. Throws
// Failure for an index outside the list.
void RemoveItem(QListWidget& list, int index);
void Clear(QListWidget& list);
QStringList Items(const QListWidget& list);

// A list box seen as an engine::ItemList, for the list difference.
class ListBoxItems : public engine::ItemList {
  public:
    explicit ListBoxItems(QListWidget& list) : list_(list) {}
    int Count() const override { return ItemCount(list_); }
    QString Item(int index) const override { return ItemText(list_, index); }
    void RemoveItem(int index) override { pages::RemoveItem(list_, index); }

  private:
    QListWidget& list_;
};

}  // namespace tarnwick::pages
