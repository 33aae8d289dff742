#pragma once
// Message boxes, input boxes and file dialogs behind one service, so tests can
// script the answers and a real modal box never blocks a test.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace rt {

// Message box style: the sum of a button set, an icon and a default button.
enum MsgStyle : int {
    OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5,
    Critical = 16, Question = 32, Exclamation = 48, Information = 64,
    DefaultButton1 = 0, DefaultButton2 = 256, DefaultButton3 = 512,
};
// Message box answers.
enum MsgResult : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Open/save dialog request. `filter` pairs descriptions and patterns, all
// joined by "|": "desc|*.a;*.b|desc2|*.c"; the result keeps the chosen
// filter's index (1-based).
struct FileDialogRequest {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString initialDir;
    QString fileName;      // initial name
    bool multiSelect = false;
    bool overwritePrompt = false; // save: ask before replacing a file
    QString defaultSuffix; // added (without the dot) to a name typed with none
};
struct FileDialogResult {
    QStringList files;      // empty when cancelled
    int filterIndex = 1;
};

class UiService {
public:
    virtual ~UiService() = default;
    // Title empty: the program's title.
    virtual int msgBox(const QString& text, int style = OkOnly, const QString& title = {}) = 0;
    // Empty optional when cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                            const QString& defaultText = {}) = 0;
    virtual FileDialogResult openFile(const FileDialogRequest& req) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& req) = 0;
};

// The program's title, shown on boxes that are given none.
QString appTitle();
void setAppTitle(const QString& title);

// The service in use; the Qt one unless a test installed another.
UiService& ui();
// Installs a service (not owned); nullptr restores the Qt one.
void setUi(UiService* service);
// The parent widget for real dialogs.
void setDialogParent(QWidget* parent);

// The answer a box gives when nobody can answer it (scripted default, closed
// window): Ok for OkOnly, No for YesNo, Abort for AbortRetryIgnore, Cancel
// for the boxes that have it.
int defaultMsgAnswer(int style);

// "desc|*.a;*.b|desc2|*.c" as Qt name filters ("desc (*.a *.b)", ...).
QStringList qtNameFilters(const QString& filter);

// The Qt dialogs. With `headlessGuard` (the default) no modal box is shown on
// the offscreen platform or when MELODUNE_NONINTERACTIVE is set: every call
// then answers as if cancelled, so a test that forgot ScriptedUi cannot hang.
class QtUi : public UiService {
public:
    explicit QtUi(bool headlessGuard = true) : headlessGuard_(headlessGuard) {}
    int msgBox(const QString& text, int style, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& def) override;
    FileDialogResult openFile(const FileDialogRequest& req) override;
    FileDialogResult saveFile(const FileDialogRequest& req) override;

private:
    bool interactive() const;
    FileDialogResult fileDialog(const FileDialogRequest& req, bool save);
    bool headlessGuard_;
};

// Answers queued by a test, taken in order; every call is recorded.
class ScriptedUi : public UiService {
public:
    struct Call {
        QString kind;  // "msg", "input", "open", "save"
        QString text;  // message or prompt or dialog title
        int style = 0;
        QString title;
    };
    std::vector<Call> calls;
    std::vector<FileDialogRequest> dialogs;          // every open/save request, in order
    std::vector<int> msgAnswers;                    // default when empty: defaultMsgAnswer(style)
    std::vector<std::optional<QString>> inputAnswers; // default: cancelled
    std::vector<FileDialogResult> openAnswers;      // default: cancelled
    std::vector<FileDialogResult> saveAnswers;      // default: cancelled

    int msgBox(const QString& text, int style, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& def) override;
    FileDialogResult openFile(const FileDialogRequest& req) override;
    FileDialogResult saveFile(const FileDialogRequest& req) override;

    // Texts of the message boxes shown so far.
    QStringList messages() const;
};

// Installs a scripted service for the lifetime of the object.
class ScopedUi {
public:
    explicit ScopedUi(UiService* s) { setUi(s); }
    ~ScopedUi() { setUi(nullptr); }
};

} // namespace rt
