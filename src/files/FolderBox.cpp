#include "files/FolderBox.h"

#include "platform/LocalPath.h"
#include "platform/PosixDirectoryLister.h"

#include <QAbstractItemView>
#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int OpenRole = Qt::UserRole + 2; // the current folder and the root above it show open
constexpr int IndentPerLevel = 8;

// Indents each folder by its depth below the root, so the list reads like a tree, and gives it
// the style's folder icon. The icons come from the desktop's theme, which takes a while to
// search: that happens when the box is first drawn, not when a start-up that goes straight
// into a show lists the folder.
class IndentingDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(indented.rect.left() + indent(index));
        m_painting = true;
        QStyledItemDelegate::paint(painter, indented, index);
        m_painting = false;
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

protected:
    // Room for the icon always; the icon itself only to be drawn.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::HasDecoration;
        if (const auto *box = qobject_cast<const QAbstractItemView *>(option->widget))
            option->decorationSize = box->iconSize();
        if (!m_painting || !option->widget)
            return;
        if (m_closedIcon.isNull()) {
            const QWidget *box = option->widget;
            m_closedIcon = box->style()->standardIcon(QStyle::SP_DirIcon, nullptr, box);
            m_openIcon = box->style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, box);
        }
        option->icon = index.data(OpenRole).toBool() ? m_openIcon : m_closedIcon;
    }

private:
    static int indent(const QModelIndex &index)
    {
        return index.data(LevelRole).toInt() * IndentPerLevel;
    }

    mutable QIcon m_closedIcon;
    mutable QIcon m_openIcon;
    mutable bool m_painting = false;
};

// Absolute and clean: no "." or ".." parts, no doubled or trailing "/" (the root stays "/").
QString normalisedFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    return QDir::cleanPath(QDir::isAbsolutePath(folder) ? folder
                                                        : QDir::current().absoluteFilePath(folder));
}

// A name may hold line breaks, other control characters and bytes that are not UTF-8; the
// list shows a mark instead.
QString shownName(const QString &name)
{
    return LocalPath::displayText(name);
}

// In the order the lister gives, which is the order the scan walks them.
QStringList subFolderNames(const QString &folder)
{
    QStringList names;
    PosixDirectoryLister lister;
    const std::unique_ptr<DirectoryEnumeration> enumeration = lister.open(folder);
    if (!enumeration)
        return names;
    DirectoryEntry entry;
    while (enumeration->next(entry)) {
        if (entry.kind == EntryKind::Directory && entry.name != u"."
            && entry.name != u"..")
            names.append(entry.name);
    }
    return names;
}

} // namespace

FolderBox::FolderBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentingDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // The box is narrow: small icons keep the folder names readable.
    setIconSize(QSize(16, 16));
    // Double click only, whatever the style says about activating on a single click.
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderBox::openItem);
}

QString FolderBox::path() const
{
    return m_path;
}

bool FolderBox::setPath(const QString &folder)
{
    const QString normalised = normalisedFolder(folder);
    if (normalised.isEmpty() || !PosixDirectoryLister().open(normalised))
        return false;
    m_path = normalised;
    // Disabled, the box is being moved by a scan through every folder it enters: listing each
    // of them here would read every folder twice. The listing waits for the event loop, so at
    // most one happens per round of event processing.
    if (isEnabled()) {
        listFolders();
    } else {
        m_subFoldersListed = false;
        scheduleListing();
    }
    Q_EMIT pathChanged(m_path);
    return true;
}

void FolderBox::scheduleListing()
{
    if (m_listingScheduled)
        return;
    m_listingScheduled = true;
    QTimer::singleShot(0, this, [this] {
        // Nothing to do when the box was listed meanwhile (enabled again).
        if (m_listingScheduled)
            listFolders();
    });
}

void FolderBox::listFolders()
{
    m_listingScheduled = false;
    clear();
    if (m_path.isEmpty())
        return;
    const bool openIcon = true, closedIcon = false;
    const auto add = [this](const QString &text, const QString &path, int level, bool open) {
        auto *item = new QListWidgetItem(shownName(text), this);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
        item->setData(OpenRole, open);
        // A tool tip would render a folder named like HTML as markup: escape it.
        item->setToolTip(Qt::convertFromPlainText(shownName(path), Qt::WhiteSpacePre));
        return item;
    };

    // The ancestors, root first, then the current folder itself.
    const QStringList parts = m_path.split(u'/', Qt::SkipEmptyParts);
    const QString root = QStringLiteral("/");
    QListWidgetItem *current = add(root, root, 0, parts.isEmpty() ? openIcon : closedIcon);
    QString path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += u'/' + parts[i];
        current = add(parts[i], path, int(i) + 1, i + 1 == parts.size() ? openIcon : closedIcon);
    }

    m_subFoldersListed = isEnabled();
    if (m_subFoldersListed) {
        const QString prefix = parts.isEmpty() ? QStringLiteral("/") : m_path + u'/';
        const int level = int(parts.size()) + 1;
        for (const QString &name : subFolderNames(m_path))
            add(name, prefix + name, level, closedIcon);
    }
    setCurrentItem(current);
    // Scrolling lays the items out, which needs the fonts: a box nobody sees yet scrolls when
    // it is shown.
    if (isVisible())
        scrollToItem(current);
}

void FolderBox::showEvent(QShowEvent *event)
{
    QListWidget::showEvent(event);
    if (currentItem())
        scrollToItem(currentItem());
}

void FolderBox::openItem(QListWidgetItem *item)
{
    if (!item)
        return;
    // A folder that went away since the box was listed is dropped from the list.
    if (!setPath(item->data(PathRole).toString()))
        listFolders();
}

void FolderBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderBox::changeEvent(QEvent *event)
{
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && isEnabled() && !m_subFoldersListed)
        listFolders();
}
