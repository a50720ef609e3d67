#pragma once
// The thumbnail view: the frame's central window. It owns the item store, the thumbnail loader and the
// view settings, hosts the list control that draws the items, opens folders and carries out the
// commands the frame routes to it (size, layout, sort, filter, refresh, selection, properties, image
// conversion). What it cannot do alone - the frame's all-files filter button, opening, deleting and
// dragging files - it asks for through signals.

#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "browser/ThumbnailLoader.h"
#include "imaging/ImgShiftBinding.h"

#include <QHash>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <memory>

class COwnerDrawListCtrl;

class CThumbView : public QWidget {
    Q_OBJECT
public:
    // The loader's thumbnail box: thumbnails are made once at this size and scaled for smaller ones.
    static constexpr int kThumbnailBox = 128;

    // The program's decoders and loader timing unless told otherwise (tests count decodes and shorten
    // the loader's pauses). The decoders bind now, once for the view's life.
    explicit CThumbView(QWidget* parent = nullptr, DecoderFactory decoders = {}, ThumbnailLoader::Timing timing = {});
    ~CThumbView() override;

    // Lists `folder` and starts making its thumbnails: the store is emptied for another folder and kept
    // (thumbnails and search marks of unchanged files) for the same one; the selection goes either way.
    // The last component of the desktop folder's path stands for the desktop folder itself.
    void openFolder(const QString& folder);
    QString currentFolder() const { return folder_; }
    // Ends the loader's pass (closing, or before file operations touch the folder).
    void stopLoading();
    bool isLoading() const;

    // Keys 0..3; sorts and lists the folder again (thumbnails are kept).
    void setSortKey(int key);
    void toggleSortDirection();
    // Codes 0..7.
    void setFilter(int code);
    // 128, 96, 64, 48 or 32; other sizes are ignored.
    void setThumbnailSize(int pixels);
    // 0 grid, 1 thumbnails with information, 2 details; other values are ignored.
    void setLayout(int layout);
    // Drops the last search's marks; the search-results filter then shows nothing.
    void refresh();
    void selectAll();
    // The properties sheet of the list's current item.
    void showProperties();
    // Writes a ".bmp" (mode 0) or ".jpg" (modes 1, 2) copy of every selected picture beside it and shows
    // the copies right after their sources.
    void convertSelected(int mode);
    void setDvFilterSettings(const imaging::DvFilterSettings& settings) { dvFilter_ = settings; }

    // Names of displayed items in display order: the selected ones (kSelectedOnly), all of them
    // (kAllDisplayed), or the one at display position `which`.
    static constexpr int kSelectedOnly = -1;
    static constexpr int kAllDisplayed = -2;
    QStringList displayedNames(int which) const;
    // The names of the selected displayed items, in display order.
    QStringList selectedNames() const;
    // The same as full paths in the current folder.
    QStringList selectedPaths() const;
    // The status bar's figures: items listed, items displayed, displayed items selected.
    struct Figures {
        int listed = 0;
        int displayed = 0;
        int selected = 0;
    };
    Figures figures() const;
    // Full paths for the slide show: the selected items or all of them (`all`), in the folder's sorted
    // list order or in the order shown (`shownOrder`).
    QStringList slideShowPaths(bool all, bool shownOrder) const;
    // Marks the items of `paths` (full paths) as offered by a cut, and clears the mark on every other item.
    void markCut(const QStringList& paths);
    // The thumbnails of the displayed items `names`, by name, in one walk of the list; an item without
    // one (yet) is left out.
    QHash<QString, QImage> thumbnailsOf(const QStringList& names) const;
    // Drops every selected item whose file is gone (after a delete), then lists the folder again,
    // keeping the thumbnails of the rest. Returns the number of items dropped.
    int dropVanishedSelected();
    // Opens the list's edit box on the current item's name; the new name comes back as renameRequested.
    bool startRename();

    int layout() const;
    int thumbnailSize() const;
    int sortKey() const { return sortKey_; }
    bool sortAscending() const { return sortDirection_ == Ascending; }
    int filter() const { return filter_; }

    ItemStore& store() { return *store_; }
    COwnerDrawListCtrl* list() const { return list_; }
    ThumbnailLoader& loader() { return *loader_; }
    // The lock the loader writes thumbnails under; the list paints under it.
    std::mutex& listLock();

signals:
    // The frame's all-files filter command: it sets filter 0 and its filter button.
    void allFilesFilterRequested();
    void openRequested(int position);
    void dragRequested(int position);
    void deleteRequested();
    void contextMenuRequested(const QPoint& globalPos);
    // The selection or the listing changed: the status figures may be different.
    void figuresChanged();
    void renameRequested(const QString& path, const QString& newName);

private:
    class Sink;
    void updateSettings();
    void passCompleted(std::uint64_t passId);
    // The desktop folder's full path when `path` names it by its last component, else `path`.
    static QString resolveDesktopName(const QString& path);


    DecoderFactory decoders_;
    std::shared_ptr<ItemStore> store_;
    std::shared_ptr<Sink> sink_;
    std::unique_ptr<ThumbnailLoader> loader_;
    COwnerDrawListCtrl* list_ = nullptr;
    QString folder_;
    int sortKey_ = SortByName;
    int sortDirection_ = Ascending;
    int filter_ = FilterAll;
    imaging::DvFilterSettings dvFilter_;
};
