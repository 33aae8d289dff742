#include "platform/ui.h"

#include "platform/boxtext.h"
#include "platform/filedialogview.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace rt {

namespace {

QString& titleStore()
{
    static QString title;
    return title;
}

QPointer<QWidget>& dialogParent()
{
    static QPointer<QWidget> parent;
    return parent;
}

UiService* installed = nullptr;

QString titleOr(const QString& title) { return title.isEmpty() ? appTitle() : title; }

template <typename T>
std::optional<T> takeFirst(std::vector<T>& queue)
{
    if (queue.empty())
        return std::nullopt;
    T v = std::move(queue.front());
    queue.erase(queue.begin());
    return v;
}

struct ButtonSet {
    std::vector<std::pair<QMessageBox::StandardButton, MsgResult>> buttons;
};

ButtonSet buttonsOf(int style)
{
    using B = QMessageBox;
    switch (style & 7) {
    case OkCancel: return {{{B::Ok, Ok}, {B::Cancel, Cancel}}};
    case AbortRetryIgnore: return {{{B::Abort, Abort}, {B::Retry, Retry}, {B::Ignore, Ignore}}};
    case YesNoCancel: return {{{B::Yes, Yes}, {B::No, No}, {B::Cancel, Cancel}}};
    case YesNo: return {{{B::Yes, Yes}, {B::No, No}}};
    case RetryCancel: return {{{B::Retry, Retry}, {B::Cancel, Cancel}}};
    default: return {{{B::Ok, Ok}}};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case Critical: return QMessageBox::Critical;
    case Question: return QMessageBox::Question;
    case Exclamation: return QMessageBox::Warning;
    case Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A box with a warning or error icon that asks nothing: how every handler
// tells the user of a failure.
bool tellsFailure(int style)
{
    const int icon = style & 0x70, buttons = style & 7;
    return (icon == Critical || icon == Exclamation) &&
           (buttons == OkOnly || buttons == RetryCancel || buttons == AbortRetryIgnore);
}

} // namespace

QString appTitle()
{
    const QString& t = titleStore();
    return t.isEmpty() ? QCoreApplication::applicationName() : t;
}

void setAppTitle(const QString& title) { titleStore() = title; }

UiService& ui()
{
    static QtUi qt;
    return installed ? *installed : qt;
}

void setUi(UiService* service) { installed = service; }

void setDialogParent(QWidget* parent) { dialogParent() = parent; }

int defaultMsgAnswer(int style)
{
    switch (style & 7) {
    case OkOnly: return Ok;
    case YesNo: return No;
    case AbortRetryIgnore: return Abort;
    default: return Cancel;
    }
}

namespace {

// The descriptions of a "desc|*.a;*.b|..." filter.
QStringList filterDescriptions(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i].trimmed();
    return out;
}

} // namespace

QStringList qtNameFilters(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        // Qt reads the patterns from the last parentheses, separated by blanks.
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return out;
}

// ---- Qt dialogs

namespace {

// Qt's own button texts are English without its translations installed.
QString chineseButtonText(QMessageBox::StandardButton b, const QString& fallback)
{
    switch (b) {
    case QMessageBox::Ok: return QStringLiteral("确定");
    case QMessageBox::Cancel: return QStringLiteral("取消");
    case QMessageBox::Yes: return QStringLiteral("是(&Y)");
    case QMessageBox::No: return QStringLiteral("否(&N)");
    case QMessageBox::Abort: return QStringLiteral("中止(&A)");
    case QMessageBox::Retry: return QStringLiteral("重试(&R)");
    case QMessageBox::Ignore: return QStringLiteral("忽略(&I)");
    default: return fallback;
    }
}

// The screen a box comes up on: its parent's, else the one under the mouse.
QScreen* boxScreen()
{
    if (QWidget* parent = dialogParent())
        if (QScreen* s = parent->screen())
            return s;
    if (QScreen* s = QGuiApplication::screenAt(QCursor::pos()))
        return s;
    return QGuiApplication::primaryScreen();
}

// The text as the box's label can show it on that screen.
QString fittedText(const QString& text, const QLabel* label)
{
    QScreen* screen = boxScreen();
    if (!screen || !label)
        return withoutDirectionalMarks(text);
    const QString fitted = fitBoxText(text, label->font(), boxTextRoom(screen->availableGeometry()));
    if (fitted.size() < text.size() - text.count(u'\r'))
        qCDebug(lcPlatform) << "box text of" << text.size() << "characters cut to" << fitted.size();
    return fitted;
}

} // namespace

bool QtUi::interactive() const
{
    if (!headlessGuard_)
        return true;
    return QGuiApplication::platformName() != QLatin1String("offscreen")
        && qEnvironmentVariableIsEmpty("MELODUNE_NONINTERACTIVE");
}

int QtUi::msgBox(const QString& text, int style, const QString& title)
{
    if (!interactive()) {
        qCWarning(lcPlatform, "message box not shown without a display: %s", qPrintable(cutWithEllipsis(text, 500)));
        return defaultMsgAnswer(style);
    }
    if (tellsFailure(style))
        qCWarning(lcPlatform, "the user is told: %s", qPrintable(cutWithEllipsis(text, 500)));
    QMessageBox box(iconOf(style), titleOr(title), QString(), QMessageBox::NoButton, dialogParent());
    // Names in messages are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(fittedText(text, box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))));
    const ButtonSet set = buttonsOf(style);
    std::vector<QAbstractButton*> added;
    for (const auto& [button, result] : set.buttons) {
        QPushButton* b = box.addButton(button);
        b->setText(chineseButtonText(button, b->text()));
        added.push_back(b);
    }
    const std::size_t def = std::size_t((style >> 8) & 3);
    box.setDefaultButton(static_cast<QPushButton*>(added[def < added.size() ? def : 0]));
    // Escape answers like the box's cancel; boxes without one ignore it.
    for (std::size_t i = 0; i < added.size(); ++i)
        if (set.buttons[i].second == Cancel || (set.buttons.size() == 1))
            box.setEscapeButton(added[i]);
    box.exec();
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return set.buttons[i].second;
    return defaultMsgAnswer(style);
}

std::optional<QString> QtUi::inputBox(const QString& prompt, const QString& title, const QString& def)
{
    if (!interactive()) {
        qCWarning(lcPlatform, "input box not shown without a display: %s", qPrintable(cutWithEllipsis(prompt, 500)));
        return std::nullopt;
    }
    QInputDialog dlg(dialogParent());
    dlg.setWindowTitle(titleOr(title));
    dlg.setTextValue(def);
    dlg.setLabelText(QString()); // makes the label
    // The prompt's label is the dialog's only one; it wraps like a box's.
    if (QLabel* label = dlg.findChild<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        dlg.setLabelText(fittedText(prompt, label));
    } else {
        dlg.setLabelText(prompt);
    }
    dlg.setOkButtonText(QStringLiteral("确定"));
    dlg.setCancelButtonText(QStringLiteral("取消"));
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.textValue();
}

FileDialogResult QtUi::openFile(const FileDialogRequest& req) { return fileDialog(req, false); }
FileDialogResult QtUi::saveFile(const FileDialogRequest& req) { return fileDialog(req, true); }

FileDialogResult QtUi::fileDialog(const FileDialogRequest& req, bool save)
{
    FileDialogResult result;
    result.filterIndex = req.filterIndex;
    if (!interactive()) {
        qCWarning(lcPlatform, "file dialog not shown without a display: %s", qPrintable(req.title));
        return result;
    }
    QFileDialog dlg(dialogParent(), req.title, req.initialDir);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A save dialog takes any name; an open dialog only existing files.
    dlg.setFileMode(save ? QFileDialog::AnyFile
                         : (req.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !(save && req.overwritePrompt));
    // The descriptions usually list their patterns already.
    dlg.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = qtNameFilters(req.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int idx = req.filterIndex >= 1 && req.filterIndex <= filters.size() ? req.filterIndex : 1;
        dlg.selectNameFilter(filters[idx - 1]);
    }
    dlg.setDefaultSuffix(req.defaultSuffix);
    dlg.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dlg.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    dlg.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    dlg.setLabelText(QFileDialog::Accept, save ? QStringLiteral("保存(&S)") : QStringLiteral("打开(&O)"));
    dlg.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    if (!req.fileName.isEmpty())
        dlg.selectFile(req.fileName);
    dressFileDialog(dlg);
    if (dlg.exec() != QDialog::Accepted)
        return result;
    result.files = dlg.selectedFiles();
    if (!filters.isEmpty()) {
        // With the details hidden Qt may report just the description.
        const QString chosen = dlg.selectedNameFilter();
        qsizetype idx = filters.indexOf(chosen);
        if (idx < 0)
            idx = filterDescriptions(req.filter).indexOf(chosen.trimmed());
        if (idx >= 0)
            result.filterIndex = int(idx) + 1;
    }
    return result;
}

// ---- scripted answers

int ScriptedUi::msgBox(const QString& text, int style, const QString& title)
{
    calls.push_back({QStringLiteral("msg"), text, style, titleOr(title)});
    return takeFirst(msgAnswers).value_or(defaultMsgAnswer(style));
}

std::optional<QString> ScriptedUi::inputBox(const QString& prompt, const QString& title, const QString& def)
{
    Q_UNUSED(def);
    calls.push_back({QStringLiteral("input"), prompt, 0, titleOr(title)});
    if (inputAnswers.empty())
        return std::nullopt;
    // Taken apart: copying an optional<QString> trips a false g++ 12 warning.
    const bool given = inputAnswers.front().has_value();
    QString answer = given ? *inputAnswers.front() : QString();
    inputAnswers.erase(inputAnswers.begin());
    if (!given)
        return std::nullopt;
    return std::make_optional(std::move(answer));
}

FileDialogResult ScriptedUi::openFile(const FileDialogRequest& req)
{
    calls.push_back({QStringLiteral("open"), req.title, 0, req.title});
    dialogs.push_back(req);
    return takeFirst(openAnswers).value_or(FileDialogResult{{}, req.filterIndex});
}

FileDialogResult ScriptedUi::saveFile(const FileDialogRequest& req)
{
    calls.push_back({QStringLiteral("save"), req.title, 0, req.title});
    dialogs.push_back(req);
    return takeFirst(saveAnswers).value_or(FileDialogResult{{}, req.filterIndex});
}

QStringList ScriptedUi::messages() const
{
    QStringList out;
    for (const Call& c : calls)
        if (c.kind == QLatin1String("msg"))
            out << c.text;
    return out;
}

} // namespace rt
