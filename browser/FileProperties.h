#pragma once
// The view's properties command: the properties sheet of the list's current item.

#include <QString>

#include <memory>
#include <mutex>

class CFilePropSheet;
class ItemStore;
class QWidget;

// Copies the item at display position `current` (the list's current item, -1 for none) and builds its
// sheet. The copy is taken under `listLock` (the lock the loader writes thumbnails under; may be null)
// and the store's lock, in that order, as the view's painting takes them. Null when there is no current
// item or the position shows none.
std::unique_ptr<CFilePropSheet> makePropertySheet(QWidget* parent, const ItemStore& store, std::mutex* listLock,
                                                  const QString& folder, int current);

// Builds the sheet as above and runs it modally; nothing happens without a current item.
void showProperties(QWidget* parent, const ItemStore& store, std::mutex* listLock, const QString& folder, int current);
