#include "platform/filedialogview.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QScreen>
#include <QTreeView>

namespace rt {

namespace {

enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn };

const QLocale& chinese()
{
    static const QLocale locale(QLocale::Chinese, QLocale::China);
    return locale;
}

// The file system model writes sizes and dates in the system's locale and a
// file's type as its MIME comment in the default locale's language: English
// on a system set to C. Files are typed by their suffix instead ("MP3 文件").
class ChineseFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
        case SizeColumn:
            if (files->isDir(source))
                break;
            return chinese().formattedDataSize(files->size(source));
        case TypeColumn: {
            const QFileInfo info = files->fileInfo(source);
            if (!info.isFile())
                break; // folders and drives: Qt's names, in Chinese
            const QString suffix = info.suffix().toUpper();
            return suffix.isEmpty() ? QStringLiteral("文件") : suffix + QStringLiteral(" 文件");
        }
        case DateColumn:
            return chinese().toString(files->lastModified(source), QLocale::ShortFormat);
        default:
            break;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Keeps every column as wide as its widest cell and its header, the name
// column also taking what is left of the view: after a listing, a sort or a
// change in the folder, and when the dialog is resized. The dialog opens
// wide enough for a name of Qt's default width beside the detail columns,
// and grows once more when the first folder it lists needs it.
class ColumnFitter : public QObject {
public:
    ColumnFitter(QFileDialog& dialog, QTreeView& view, QFileSystemModel& files)
        : QObject(&view), dialog_(dialog), view_(view)
    {
        connect(&files, &QFileSystemModel::directoryLoaded, this, &ColumnFitter::fit);
        connect(&files, &QFileSystemModel::layoutChanged, this, &ColumnFitter::fit);
        view.viewport()->installEventFilter(this);
        dialog.installEventFilter(this);
    }

    void fit()
    {
        QHeaderView* header = view_.header();
        int others = 0;
        for (int c = SizeColumn; c <= DateColumn; ++c) {
            if (header->isSectionHidden(c))
                continue;
            view_.resizeColumnToContents(c);
            others += header->sectionSize(c);
        }
        // Public in the base class.
        const int content = static_cast<const QAbstractItemView&>(view_).sizeHintForColumn(NameColumn);
        const int name = std::max(content, header->sectionSizeHint(NameColumn));
        const int room = view_.viewport()->width() - others;
        header->resizeSection(NameColumn, std::max(name, room));
        if (shown_ && !grown_ && view_.model()->rowCount(view_.rootIndex()) > 0) {
            grown_ = true;
            widen(name + others - view_.viewport()->width());
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == &dialog_) {
            // Laid out but not yet on screen.
            if (e->type() == QEvent::Show && !shown_) {
                shown_ = true;
                widen(openingWidth() - view_.viewport()->width());
            }
        } else if (e->type() == QEvent::Resize) {
            fit();
        }
        return false;
    }

private:
    // A name of Qt's default width (26 w) and the detail columns at their
    // widest: the widest texts they show with the margins the header gives
    // its own labels.
    int openingWidth() const
    {
        const QHeaderView* header = view_.header();
        const QFontMetrics fm(view_.font());
        int sum = fm.horizontalAdvance(QString(26, u'w'));
        const QString widest[] = {
            chinese().formattedDataSize(1000LL * 1024 * 1024 - 1),
            QStringLiteral("RMVB 文件"),
            chinese().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59)), QLocale::ShortFormat),
        };
        for (int c = SizeColumn; c <= DateColumn; ++c) {
            if (header->isSectionHidden(c))
                continue;
            const QString label = view_.model()->headerData(c, Qt::Horizontal).toString();
            const int margins = header->sectionSizeHint(c) - fm.horizontalAdvance(label);
            sum += fm.horizontalAdvance(widest[c - SizeColumn]) + std::max(margins, 0);
        }
        return sum;
    }

    void widen(int by)
    {
        if (by <= 0)
            return;
        int width = dialog_.width() + by;
        if (const QScreen* screen = dialog_.screen())
            width = std::min(width, screen->availableGeometry().width());
        dialog_.resize(std::max(width, dialog_.width()), dialog_.height());
    }

    QFileDialog& dialog_;
    QTreeView& view_;
    bool shown_ = false;
    bool grown_ = false;
};

} // namespace

void dressFileDialog(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* files = dialog.findChild<QFileSystemModel*>();
    if (!view || !files)
        return;
    dialog.setProxyModel(new ChineseFileDetails(&dialog));
    // The last column does not stretch: a short date column would otherwise
    // take the room the name column needs.
    view->header()->setStretchLastSection(false);
    new ColumnFitter(dialog, *view, *files);
    dialog.resize(dialog.width(), std::max(dialog.height(), 440));
}

} // namespace rt
