#include "media/CFolderTree.h"

#include "platform/MessageBox.h"
#include "platform/Names.h"
#include "platform/Trace.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>

#include <cerrno>

#include <sys/stat.h>

using platform::PlaceKind;
using platform::Shell;
using platform::ShellItem;

namespace media {

namespace {

// Items of this tree carry this type, so a foreign item is never taken for one of ours.
constexpr int NodeType = QTreeWidgetItem::UserType + 1;

// The attribute bits announced with a selection leave out the top bit.
constexpr quint32 AnnouncedAttributeMask = 0x7FFFFFFF;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString withoutSlash(const QString& path)
{
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        return path.left(path.size() - 1);
    return path;
}

QString key(const ShellItem& place)
{
    return QString::number(static_cast<int>(place.kind)) + QLatin1Char(':') + place.path;
}

bool isDescendant(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* walk = item; walk; walk = walk->parent()) {
        if (walk == ancestor)
            return true;
    }
    return false;
}

// A name the file system takes as one new entry of the same folder.
bool acceptableFolderName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

// One tree item with its record; ordered among its siblings by the parent place's own comparison.
class CFolderTree::Node : public QTreeWidgetItem {
public:
    explicit Node(FolderItem record) : QTreeWidgetItem(NodeType), record(std::move(record)) {}

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const auto* parentNode = static_cast<const Node*>(parent());
        if (!parentNode || other.type() != NodeType)
            return QTreeWidgetItem::operator<(other);
        return Shell::compare(parentNode->record.place, record.place, static_cast<const Node&>(other).record.place) < 0;
    }

    FolderItem record;
};

// Hands the text of a finished label edit to the tree's rename instead of writing it into the item:
// the label changes only when the folder did.
class CFolderTree::LabelDelegate : public QStyledItemDelegate {
public:
    explicit LabelDelegate(CFolderTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line)
            return;
        const QString text = line->text();
        const FolderItem* record = tree_->folderItem(tree_->itemFromIndex(index));
        if (!record)
            return;
        // Renaming re-lists and re-sorts the tree; do it once the editor is gone.
        QTimer::singleShot(0, tree_, [tree = tree_, path = record->place.path, text] {
            if (QTreeWidgetItem* target = tree->findItem(path))
                tree->renameFolder(target, text);
        });
    }

private:
    CFolderTree* tree_;
};

CFolderTree::CFolderTree(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setIconSize(QSize(static_cast<int>(platform::IconSize::Small), static_cast<int>(platform::IconSize::Small)));
    setItemDelegate(new LabelDelegate(this));
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentItemChanged(current); });
    connect(this, &QTreeWidget::itemExpanded, this, &CFolderTree::onItemExpanded);
}

CFolderTree::~CFolderTree() = default;

CFolderTree::Node* CFolderTree::node(QTreeWidgetItem* item) const
{
    return item && item->type() == NodeType ? static_cast<Node*>(item) : nullptr;
}

const FolderItem* CFolderTree::folderItem(const QTreeWidgetItem* item) const
{
    return item && item->type() == NodeType ? &static_cast<const Node*>(item)->record : nullptr;
}

void CFolderTree::setPlace(Node* item, const ShellItem& place)
{
    item->record.place = place;
    item->setText(0, place.displayName);
    QIcon icon = Shell::icon(place, platform::IconSize::Small);
    const QIcon open = Shell::icon(place, platform::IconSize::Small, true);
    const int side = static_cast<int>(platform::IconSize::Small);
    icon.addPixmap(open.pixmap(side, side), QIcon::Selected);
    item->setIcon(0, icon);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (!item->record.expandedOnce)
        item->setChildIndicatorPolicy(place.has(platform::SfgaoHasSubFolder) ? QTreeWidgetItem::ShowIndicator
                                                                              : QTreeWidgetItem::DontShowIndicator);
}

CFolderTree::Node* CFolderTree::addChild(QTreeWidgetItem* parent, const ShellItem& place)
{
    FolderItem record;
    if (const FolderItem* parentRecord = folderItem(parent))
        record.parentFolder = parentRecord->place.path;
    auto* item = new Node(record);
    setPlace(item, place);
    parent->addChild(item);
    return item;
}

void CFolderTree::initRoot()
{
    ++quiet_;
    clear();
    auto* root = new Node(FolderItem{});
    setPlace(root, Shell::desktop());
    addTopLevelItem(root);
    expandItem(root);
    setCurrentItem(root);
    --quiet_;
    announce(root);
}

QString CFolderTree::currentPath() const
{
    const FolderItem* record = folderItem(currentItem());
    if (!record)
        return {};
    // The computer is no folder; like any virtual place it answers with its name.
    if (record->place.path.isEmpty())
        return record->place.displayName;
    return record->place.path;
}

QTreeWidgetItem* CFolderTree::findItem(const QString& path) const
{
    const QString wanted = withoutSlash(path);
    if (wanted.isEmpty())
        return nullptr;
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < topLevelItemCount(); ++i)
        pending.push_back(topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        const FolderItem* record = folderItem(item);
        if (record && !record->place.path.isEmpty() && withoutSlash(record->place.path) == wanted)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            pending.push_back(item->child(i));
    }
    return nullptr;
}

bool CFolderTree::populate(QTreeWidgetItem* item)
{
    Node* parent = node(item);
    if (!parent)
        return false;
    WaitCursor wait;
    std::vector<ShellItem> places;
    if (!Shell::children(parent->record.place, places)) {
        // Unreadable (no medium, no permission): folded, but still offering to be opened later.
        foldUp(item);
        return false;
    }
    clearChildren(item);
    for (const ShellItem& place : places)
        addChild(item, place);
    parent->record.expandedOnce = true;
    item->setChildIndicatorPolicy(places.empty() ? QTreeWidgetItem::DontShowIndicator
                                                 : QTreeWidgetItem::ShowIndicator);
    return true;
}

void CFolderTree::foldUp(QTreeWidgetItem* item)
{
    ++quiet_;
    collapseItem(item);
    clearChildren(item);
    if (Node* folded = node(item))
        folded->record.expandedOnce = false;
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    --quiet_;
}

void CFolderTree::clearChildren(QTreeWidgetItem* item)
{
    if (item->childCount() == 0)
        return;
    ++quiet_;
    QTreeWidgetItem* current = currentItem();
    if (current && current != item && isDescendant(current, item))
        setCurrentItem(item);
    const QList<QTreeWidgetItem*> children = item->takeChildren();
    qDeleteAll(children);
    --quiet_;
}

void CFolderTree::removeSubtree(QTreeWidgetItem* item)
{
    ++quiet_;
    QTreeWidgetItem* parent = item->parent();
    QTreeWidgetItem* current = currentItem();
    if (parent && current && isDescendant(current, item))
        setCurrentItem(parent);
    delete item;
    --quiet_;
}

void CFolderTree::onItemExpanded(QTreeWidgetItem* item)
{
    Node* expanded = node(item);
    if (expanded && !expanded->record.expandedOnce)
        populate(item);
}

void CFolderTree::announce(QTreeWidgetItem* item)
{
    const FolderItem* record = folderItem(item);
    if (!record || dragging_)
        return;
    const QString path = record->place.path.isEmpty() ? record->place.displayName : record->place.path;
    emit folderSelected(path, record->attributes() & AnnouncedAttributeMask);
}

void CFolderTree::onCurrentItemChanged(QTreeWidgetItem* current)
{
    if (quiet_ > 0 || dragging_)
        return;
    announce(current);
}

bool CFolderTree::selectPath(const QString& path)
{
    const std::vector<ShellItem> chain = Shell::chainTo(path);
    if (topLevelItemCount() == 0)
        initRoot();
    QTreeWidgetItem* reached = topLevelItem(0);
    size_t matched = 1;
    bool unreadable = false;
    ++quiet_;
    for (; matched < chain.size(); ++matched) {
        Node* parent = node(reached);
        if (!parent->record.expandedOnce && !populate(reached)) {
            unreadable = true;
            break;
        }
        expandItem(reached);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < reached->childCount() && !next; ++i) {
            if (folderItem(reached->child(i))->place.sameAs(chain[matched]))
                next = reached->child(i);
        }
        if (!next)
            break;
        reached = next;
    }
    Node* last = node(reached);
    if (!unreadable && !last->record.expandedOnce)
        populate(reached);
    if (last->record.expandedOnce)
        expandItem(reached);
    QTreeWidgetItem* before = currentItem();
    setCurrentItem(reached);
    scrollToItem(reached);
    --quiet_;
    if (before != reached)
        announce(reached);
    // The chain ends short of the path when the path lies on no known place.
    const QString target = QDir::cleanPath(QDir(path).absolutePath());
    return matched == chain.size() && QDir::cleanPath(chain.back().path) == target;
}

void CFolderTree::refresh()
{
    if (topLevelItemCount() == 0)
        return;
    {
        WaitCursor wait;
        ++quiet_;
        refreshItem(topLevelItem(0));
        --quiet_;
    }
    announce(currentItem());
}

void CFolderTree::refreshItem(QTreeWidgetItem* item)
{
    Node* current = node(item);
    if (!current)
        return;
    const platform::VolumeType type = current->record.place.volumeType;
    if (current->record.place.kind == PlaceKind::Volume &&
        (type == platform::VolumeType::CdRom || type == platform::VolumeType::Removable) && !relabelAndProbe(item))
        return;
    // Children never delete themselves, only their own children, so this list stays valid.
    const int count = item->childCount();
    std::vector<QTreeWidgetItem*> children;
    children.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        children.push_back(item->child(i));
    for (QTreeWidgetItem* child : children)
        refreshItem(child);
    if (current->record.expandedOnce)
        reconcile(item);
}

bool CFolderTree::relabelAndProbe(QTreeWidgetItem* item)
{
    Node* drive = node(item);
    const std::vector<platform::Volume> volumes = platform::Volumes::list();
    const platform::Volume* volume = nullptr;
    for (const platform::Volume& candidate : volumes) {
        if (candidate.root == drive->record.place.path)
            volume = &candidate;
    }
    // Unmounted: the computer's own reconciliation drops the item.
    if (!volume)
        return false;
    const QString label = Shell::volumeDisplayName(*volume);
    if (!platform::sameNameNoCase(label, item->text(0))) {
        foldUp(item);
        ShellItem place = drive->record.place;
        place.displayName = label;
        place.volumeType = volume->type;
        setPlace(drive, place);
    }
    if (!Shell::canList(drive->record.place)) {
        foldUp(item);
        return false;
    }
    return true;
}

void CFolderTree::reconcile(QTreeWidgetItem* item)
{
    Node* parent = node(item);
    std::vector<ShellItem> places;
    if (!Shell::children(parent->record.place, places)) {
        foldUp(item);
        return;
    }
    QHash<QString, const ShellItem*> wanted;
    for (const ShellItem& place : places)
        wanted.insert(key(place), &place);

    std::vector<QTreeWidgetItem*> vanished;
    QHash<QString, Node*> shown;
    bool reorder = false;
    for (int i = 0; i < item->childCount(); ++i) {
        Node* child = node(item->child(i));
        const QString childKey = key(child->record.place);
        const auto found = wanted.find(childKey);
        if (found == wanted.end()) {
            vanished.push_back(child);
            continue;
        }
        shown.insert(childKey, child);
        // Drives keep the label refresh gave them; everything else follows the file system.
        ShellItem fresh = *found.value();
        if (child->record.place.kind == PlaceKind::Volume)
            fresh.displayName = child->record.place.displayName;
        const ShellItem& old = child->record.place;
        // A drive that moved in the volume order takes its new place among its siblings.
        if (fresh.volumeIndex != old.volumeIndex)
            reorder = true;
        if (fresh.attributes != old.attributes || fresh.displayName != old.displayName ||
            fresh.volumeIndex != old.volumeIndex || fresh.volumeType != old.volumeType)
            setPlace(child, fresh);
    }
    for (QTreeWidgetItem* child : vanished)
        removeSubtree(child);
    for (const ShellItem& place : places) {
        if (!shown.contains(key(place))) {
            addChild(item, place);
            reorder = true;
        }
    }
    if (reorder)
        item->sortChildren(0, Qt::AscendingOrder);
    item->setChildIndicatorPolicy(item->childCount() == 0 ? QTreeWidgetItem::DontShowIndicator
                                                          : QTreeWidgetItem::ShowIndicator);
}

bool CFolderTree::newFolder()
{
    Node* parent = node(currentItem());
    if (!parent || !parent->record.place.isFileSystem())
        return false;
    const QString base = UiResources::string(NewFolderNameString);
    if (base.isEmpty()) {
        platform::trace("newFolder: no base name\r\n");
        return false;
    }
    const QDir folder(parent->record.place.path);
    QString made;
    for (int attempt = 1; attempt <= MaxNewFolderAttempts && made.isEmpty(); ++attempt) {
        const QString name = attempt == 1 ? base : base + QStringLiteral(" (") + QString::number(attempt) + QLatin1Char(')');
        const QString path = folder.filePath(name);
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) {
            made = path;
            break;
        }
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS) {
            platform::messageBox(this, UiResources::string(AccessDeniedString), UiResources::string(ErrorCaptionString),
                                 platform::MbOk | platform::MbIconExclamation);
            return false;
        }
        if (error == ENOSPC || error == EDQUOT) {
            platform::messageBox(this, UiResources::string(DiskFullString), UiResources::string(ErrorCaptionString),
                                 platform::MbOk | platform::MbIconExclamation);
            return false;
        }
    }
    // Every number taken: there is no new folder to show.
    if (made.isEmpty())
        return false;

    QTreeWidgetItem* item = currentItem();
    if (parent->record.expandedOnce)
        reconcile(item);
    else
        populate(item);
    ++quiet_;
    expandItem(item);
    --quiet_;
    QTimer::singleShot(NewFolderSelectDelayMs, this, [this, made] {
        QTreeWidgetItem* created = findItem(made);
        if (!created)
            return;
        setCurrentItem(created);
        scrollToItem(created);
        editItem(created, 0);
    });
    return true;
}

bool CFolderTree::deleteFolder()
{
    QTreeWidgetItem* item = currentItem();
    const FolderItem* record = folderItem(item);
    if (!record || !item->parent() || !record->place.has(platform::SfgaoCanDelete))
        return false;
    const QString path = record->place.path;
    if (!Shell::moveToTrash(path)) {
        // Without a trash to keep it in, the folder stays: nothing is deleted beyond recall.
        platform::trace((QStringLiteral("deleteFolder: cannot move to trash: ") + path + QStringLiteral("\r\n")).toStdString());
        return false;
    }
    QTreeWidgetItem* parent = item->parent();
    removeSubtree(item);
    if (parent->childCount() == 0)
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    ++quiet_;
    setCurrentItem(parent);
    --quiet_;
    announce(parent);
    emit folderDeleted(path);
    return true;
}

bool CFolderTree::canRename(const QTreeWidgetItem* item) const
{
    const FolderItem* record = folderItem(item);
    return record && record->place.kind == PlaceKind::Folder && record->place.has(platform::SfgaoCanRename);
}

bool CFolderTree::renameFolder(QTreeWidgetItem* item, const QString& name)
{
    Node* renamed = node(item);
    if (!renamed || !canRename(item) || name.isEmpty() || name == item->text(0))
        return false;
    if (!acceptableFolderName(name)) {
        QApplication::beep();
        return false;
    }
    const QString oldPath = renamed->record.place.path;
    const QString newPath = QFileInfo(oldPath).dir().filePath(name);
    // Never replace another folder: only a change of case of the same entry may find the name taken.
    if (QFileInfo::exists(newPath) && !sameFile(oldPath, newPath))
        return false;
    if (!QDir().rename(oldPath, newPath))
        return false;

    const bool wasExpanded = item->isExpanded();
    foldUp(item);
    setPlace(renamed, Shell::folder(newPath));
    if (wasExpanded && populate(item)) {
        ++quiet_;
        expandItem(item);
        --quiet_;
    }
    if (QTreeWidgetItem* parent = item->parent())
        parent->sortChildren(0, Qt::AscendingOrder);
    ++quiet_;
    setCurrentItem(item);
    --quiet_;
    emit folderRenamed(oldPath, newPath);
    announce(item);
    return true;
}

bool CFolderTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool asked = trigger == AllEditTriggers || (editTriggers() & trigger);
    if (asked && !canRename(itemFromIndex(index))) {
        QApplication::beep();
        return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void CFolderTree::mousePressEvent(QMouseEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    pressed_ = QPersistentModelIndex();
    if (event->button() == Qt::RightButton && item) {
        setCurrentItem(item);
        emit contextMenuRequested(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && item) {
        pressed_ = QPersistentModelIndex(indexFromItem(item));
        pressPos_ = event->position().toPoint();
    }
    QTreeWidget::mousePressEvent(event);
}

void CFolderTree::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && pressed_.isValid() && folderDragEnabled_ &&
        (event->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        QTreeWidgetItem* item = itemFromIndex(pressed_);
        pressed_ = QPersistentModelIndex();
        startFolderDrag(item);
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CFolderTree::startFolderDrag(QTreeWidgetItem* item)
{
    const FolderItem* record = folderItem(item);
    if (!record || !record->place.isFileSystem() || !item->parent())
        return;
    const QString path = record->place.path;
    dragging_ = true;
    emit dragStarting(path);
    runFolderDrag(path);
    dragging_ = false;
    emit dragEnded(path);
}

void CFolderTree::runFolderDrag(const QString& path)
{
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(withoutSlash(path))});
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void CFolderTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && state() != EditingState) {
        deleteFolder();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CFolderTree::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu belongs to right clicks on an item; the keyboard's menu key shows nothing.
    event->accept();
}

void CFolderTree::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    emit focusChanged(true);
}

void CFolderTree::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    emit focusChanged(false);
}

}  // namespace media
