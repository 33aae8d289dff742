#include "platform/qttranslation.h"

#include "platform/log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>

namespace rt {

namespace {

// Qt 6.4 asks for the file list's type names in a context of their own,
// which its Chinese translation does not have yet.
class QtChineseSupplement : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        struct Text {
            const char* context;
            const char* source;
            const char* chinese;
        };
        static const Text texts[] = {
            {"QAbstractFileIconProvider", "Folder", "文件夹"},
            {"QAbstractFileIconProvider", "File", "文件"},
            {"QAbstractFileIconProvider", "Drive", "驱动器"},
            {"QAbstractFileIconProvider", "Shortcut", "快捷方式"},
            {"QAbstractFileIconProvider", "Unknown", "未知"},
        };
        if (!context || !sourceText)
            return {};
        for (const Text& t : texts)
            if (std::strcmp(context, t.context) == 0 && std::strcmp(sourceText, t.source) == 0)
                return QString::fromUtf8(t.chinese);
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

QtChineseTranslation installQtChineseTranslation()
{
    QtChineseTranslation installed;
    auto* app = QCoreApplication::instance();
    if (!app)
        return installed;
    auto* qt = new QTranslator(app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qt->load(QStringLiteral("qtbase_zh_CN"), folder) && QCoreApplication::installTranslator(qt)) {
        installed.qt = qt;
    } else {
        qCWarning(lcPlatform) << "Qt's Chinese translation not found in" << folder << "; its dialogs keep English";
        delete qt;
    }
    // Installed last, so asked first; what it does not know goes on to Qt's.
    auto* supplement = new QtChineseSupplement(app);
    QCoreApplication::installTranslator(supplement);
    installed.supplement = supplement;
    return installed;
}

void removeQtChineseTranslation(const QtChineseTranslation& installed)
{
    for (QTranslator* t : {installed.supplement, installed.qt})
        if (t) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
}

} // namespace rt
