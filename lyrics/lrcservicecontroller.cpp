#include "lyrics/lrcservicecontroller.h"

#include "core/settings.h"
#include "lyrics/log.h"
#include "core/shared.h"
#include "lyrics/lrcparser.h"
#include "lyrics/lrcreply.h"
#include "lyrics/lyricloader.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "platform/atomicfile.h"
#include "platform/boxtext.h"
#include "platform/legacytext.h"
#include "platform/ui.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace melodune {

namespace {

const QString CandidatesHint = QStringLiteral("双击选中的歌词立即下载");
const QString CandidatesToolTip = QStringLiteral("歌词列表(双击选中的歌词立即下载)");
const QString CannotFetch = QStringLiteral("无法查找或下载歌词！\r\n[");
const QString ServiceTitle = QStringLiteral("系统提示");

LyricBoxStyle lyricStyleFromSettings()
{
    const SettingsRecord& s = settings();
    return {s.LrcBackColor, s.LrcTagColor, s.LrcTextColor, s.LrcFontName, s.LrcFontSize, s.LrcFontBold};
}

const QString TooLargeReply = QStringLiteral("下载歌词失败！\r\n[歌词服务器的回复太大（超过 %1 MB），不是歌词，已经放弃。]")
                                  .arg(kMaxLyricBytes >> 20);

} // namespace

LrcRequestController::LrcRequestController(RichTextModel& box, LyricState& lyrics, LrcWindow& window,
                                           QObject* parent)
    : QObject(parent), box_(box), lyrics_(lyrics), window_(window), version_(QCoreApplication::applicationVersion())
{
    download_.setMaxBytes(kMaxLyricBytes);
    connect(&download_, &rt::UrlDownload::finished, this, [this](quint64 id, bool ok, const QString& error) {
        if (id != transfer_)
            return; // an abandoned request's transfer
        transfer_ = 0;
        releaseBusy();
        if (!ok)
            qCWarning(lcLyrics) << "lyrics download failed:" << error;
        if (!ok && download_.replyTooLarge())
            refuseTooLarge();
        emit downloadFinished(ok, error);
    });
}

LrcRequestController::~LrcRequestController()
{
    abandonDownload();
}

QString LrcRequestController::replyPath() const
{
    return lrcReplyPath(shared().DataDir);
}

bool LrcRequestController::removeOldReply()
{
    QFile reply(replyPath());
    if (!reply.exists() || reply.remove())
        return true;
    qCWarning(lcLyrics) << "old lyrics reply not removed, no request is sent:" << reply.fileName()
                        << reply.errorString();
    return false;
}

// --- Requests

void LrcRequestController::requestExact()
{
    search(LrcRequestKind::Exact);
}

void LrcRequestController::requestFuzzy()
{
    search(LrcRequestKind::Fuzzy);
}

void LrcRequestController::search(LrcRequestKind kind)
{
    if (kind == LrcRequestKind::Fuzzy) {
        list_.visible = false;
        list_.toolTip.clear();
        listChanged();
    }
    setPoll(false);
    setCountdown(false);
    abandonDownload();
    ++generation_;
    if (track_.file.isEmpty())
        return;
    if (kind == LrcRequestKind::Exact)
        window_.setContinueFuzzyEnabled(true);

    shared().Busy = true;
    busyHeld_ = true;
    styleLyricNotice(box_);
    tick_ = 0;

    // Without a fresh reply file the poll would read the old answer.
    if (!removeOldReply()) {
        releaseBusy();
        showTimeout();
        return;
    }

    track_.ext = lrcFiletypeExt(track_.ext);
    window_.storeCurrentExt(track_.ext);
    startDownload(lrcRequestUrl(kind, {version_, shared().ComputerName}, track_));
    setPoll(true);
}

void LrcRequestController::fuzzySearchCommand()
{
    if (track_.file.isEmpty())
        return;
    // First, while the box still shows what the editor was opened over: the
    // editor may ask about unsaved edits.
    window_.closeLyricEditor(false);
    window_.setContinueFuzzyEnabled(false);
    box_.setText(QStringLiteral("正在联网模糊查找歌词…"));
    box_.setVisible(true);
    window_.setLrcPath(QString());
    window_.stopLyricTick();
    requestFuzzy();
}

void LrcRequestController::startDownload(const QUrl& url)
{
    // The poll waits LrcWaitSeconds ticks and drops the transfer on the tick
    // after; the transfer's own limits only back that up. A shorter limit,
    // idle or total, would lose a reply the countdown still waits for.
    const qint64 waitMs = (qint64(std::max(settings().LrcWaitSeconds, 0)) + 2) * 1000;
    const int limitMs = int(std::min<qint64>(waitMs, std::numeric_limits<int>::max()));
    download_.setTimeouts(limitMs, limitMs);
    transfer_ = download_.start(url, replyPath());
}

void LrcRequestController::abandonDownload()
{
    if (transfer_ != 0) {
        download_.cancel();
        transfer_ = 0;
    }
    releaseBusy();
}

void LrcRequestController::releaseBusy()
{
    if (busyHeld_) {
        busyHeld_ = false;
        shared().Busy = false;
    }
}

void LrcRequestController::setPoll(bool on)
{
    if (pollOn_ != on) {
        pollOn_ = on;
        window_.setPollTimer(on);
    }
}

void LrcRequestController::setCountdown(bool on)
{
    if (countdownOn_ != on) {
        countdownOn_ = on;
        window_.setCountdownTimer(on);
    }
}

void LrcRequestController::refuseTooLarge()
{
    // Nothing was kept: the poll has nothing to wait for.
    setPoll(false);
    tick_ = 0;
    window_.setLyricsLoaded(false);
    box_.setText(TooLargeReply);
}

void LrcRequestController::showTimeout()
{
    window_.setLyricsLoaded(false);
    box_.setText(QStringLiteral("下载歌词失败！\r\n[网络连接超时或错误。请确认 Internet 连接正确或请稍后重试或使用模糊查找功能。]"));
}

// --- Poll

void LrcRequestController::pollTick()
{
    if (!pollOn_)
        return;
    const int wait = settings().LrcWaitSeconds;
    box_.setText(QStringLiteral("正在尝试下载歌词(剩余%1秒)").arg(wait - tick_));
    ++tick_;

    const QString reply = replyPath();
    if (!QFileInfo::exists(reply)) {
        if (tick_ > wait) {
            qCWarning(lcLyrics) << "no lyrics reply in" << wait << "s; the request is dropped";
            abandonDownload();
            showTimeout();
            setPoll(false);
            tick_ = 0;
        }
        return;
    }
    setPoll(false);
    setCountdown(false);
    window_.suspendAnimation();
    handleReply(reply);
    window_.resumeAnimation();
}

// --- Reply

void LrcRequestController::handleReply(const QString& path)
{
    if (track_.file.isEmpty() || path.isEmpty())
        return;

    QByteArray bytes;
    rt::FileReadError readError = rt::FileReadError::None;
    const bool readable = rt::readFileBytes(path, &bytes, kMaxLyricBytes, &readError);
    if (readError == rt::FileReadError::TooLarge) {
        refuseTooLarge();
        return;
    }
    const LrcReply reply = readable ? parseLrcReply(bytes) : LrcReply{};
    // The service's own words are shown only in part: a notice of a
    // megabyte would take the window minutes to lay out.
    const QString message = shownServiceMessage(reply.message);
    if (rt::withoutDirectionalMarks(reply.message).size() > kMaxServiceMessage)
        qCWarning(lcLyrics) << "lyrics service message of" << reply.message.size() << "characters cut to"
                            << message.size();

    switch (reply.kind) {
    case LrcReplyKind::Forbidden: {
        box_.setText(CannotFetch + message + u']');
        box_.setText(box_.text() +
                     QStringLiteral("\r\n自动下载功能设置已经自动取消。如果想重新启用，请点击“设置”中的“设置选项”重新进行设置。"));
        settings().AutoDownloadLrc = false;
        window_.disableFuzzyCommands();
        rt::ui().msgBox(box_.text(), rt::Exclamation, ServiceTitle);
        return;
    }
    case LrcReplyKind::Notice:
        box_.setText(CannotFetch + message + u']');
        rt::ui().msgBox(box_.text(), rt::Information, ServiceTitle);
        return;
    case LrcReplyKind::NothingFound: {
        box_.setText(QStringLiteral("模糊查找歌词失败！\r\n[未找到任何类似曲目名称的歌词。]"));
        const QString target = trackLyricPath(shared().DataDir, track_.file);
        if (QFileInfo::exists(target))
            return;
        QDir().mkpath(QFileInfo(target).absolutePath());
        rt::writeFileAtomically(target, nothingFoundStub(track_.title, track_.file));
        window_.setLyricsLoaded(true);
        window_.setLrcPath(target);
        window_.closeLyricEditor(true);
        hideList();
        setPoll(false);
        setCountdown(false);
        box_.setText(QStringLiteral("模糊查找歌词失败！\r\n[未找到任何类似曲目名称的歌词。当前曲目已被设置为暂不使用歌词。"
                                    "如果想使用歌词，请重新查找或修改。]"));
        window_.suspendAnimation();
        window_.loadTrackLyrics();
        window_.resumeAnimation();
        return;
    }
    case LrcReplyKind::NoTitle:
        box_.setText(QStringLiteral("下载歌词失败！[歌名错误]"));
        return;
    case LrcReplyKind::NoLyrics:
        if (settings().AutoFuzzySearch) {
            box_.setText(QStringLiteral("下载歌词失败！\r\n[无相同曲名歌词，正在进行模糊查找…]"));
            requestFuzzy();
        } else {
            box_.setText(QStringLiteral(
                "下载歌词失败！[无相同曲名歌词，你可以使用“联网模糊查找歌词”功能进行更大范围查找]"));
        }
        return;
    case LrcReplyKind::Candidates:
        box_.setText(QStringLiteral("请选择歌词！"));
        list_.entries.clear();
        list_.selected = -1;
        for (const LyricCandidate& c : reply.candidates)
            list_.entries << candidateEntryText(c);
        box_.setEnabled(false);
        box_.setVisible(true);
        box_.setText(CandidatesHint);
        list_.visible = true;
        list_.toolTip = CandidatesToolTip;
        listChanged();
        tick_ = settings().LrcWaitSeconds;
        setCountdown(true);
        return;
    case LrcReplyKind::Empty:
        // Nothing readable: the box keeps its text in the lyric style.
        styleLyricBox(box_, lyricStyleFromSettings());
        box_.setEnabled(true);
        box_.setSelStart(0);
        return;
    case LrcReplyKind::Lyrics:
        break;
    }

    // A long reply is parsed aside: a track change or a new request meanwhile
    // has the last word.
    const quint64 generation = generation_;
    parseLrcAside(normaliseLyricText(reply.text), this, [this, generation, path](const LrcParseResult& parsed) {
        if (generation == generation_)
            showReplyLyrics(path, parsed);
    });
}

void LrcRequestController::showReplyLyrics(const QString& path, const LrcParseResult& parsed)
{
    box_.setEnabled(false);
    window_.setLyricsLoaded(true);
    window_.setLrcPath(path);
    window_.closeLyricEditor(true);
    applyLrcResult(parsed, box_, lyrics_);
    styleLyricBox(box_, lyricStyleFromSettings());
    box_.setEnabled(true);
    box_.setSelStart(0);

    // A reply without a single time tag is no lyrics (an error page, say):
    // shown, but not kept as the track's lyrics, so the track asks again.
    if (parsed.parsed)
        storeLyrics(path);
    else
        qCWarning(lcLyrics) << "lyrics reply without a time tag, shown but not kept:" << path;
}

void LrcRequestController::storeLyrics(const QString& replyFile)
{
    window_.refreshLyricsWindow();
    const QString target = trackLyricPath(shared().DataDir, track_.file);
    QDir().mkpath(QFileInfo(target).absolutePath());
    // The question below lets other events run: a track change meanwhile may
    // start a new request into the same reply file. Keep this reply's bytes
    // and this track.
    const QString trackFile = track_.file;
    QByteArray reply;
    QString error;
    const bool readOk = rt::readFileBytes(replyFile, &reply, kMaxLyricBytes);
    if (!readOk)
        error = QStringLiteral("cannot read %1").arg(replyFile);

    auto copy = [&] {
        if (track_.file != trackFile)
            return; // another track since: its lyrics come with its own reply
        if (!readOk || !rt::writeFileAtomically(target, reply, &error)) {
            rt::ui().msgBox(QStringLiteral("歌词文件保存失败！\r\n") + target + QStringLiteral("\r\n") + error,
                            rt::Exclamation);
            return;
        }
        window_.setLrcPath(target);
        window_.closeLyricEditor(true);
    };

    if (QFileInfo::exists(target)) {
        if (window_.duration() != 0 && window_.playState() == 2)
            window_.pause();
        const int answer = rt::ui().msgBox(QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?"),
                                           rt::YesNo | rt::Exclamation | rt::DefaultButton1);
        if (answer == rt::Yes)
            copy();
        if (window_.playState() == 1)
            window_.play();
    } else {
        copy();
    }
    if (window_.playState() == 2)
        window_.startLyricTick();
}

// --- Candidate countdown and list

void LrcRequestController::countdownTick()
{
    if (!countdownOn_)
        return;
    const int wait = settings().LrcWaitSeconds;
    const bool usable = list_.visible && list_.enabled && !list_.entries.isEmpty();
    if (tick_ == wait && usable)
        selectByCode(autoChooseCandidate(list_.entries, window_.mediaAuthor(), track_.file));
    --tick_;
    if (tick_ < 0) {
        setCountdown(false);
        tick_ = 0;
        if (!usable)
            return;
        if (list_.selected < 0)
            selectByCode(0);
        listDoubleClicked();
        return;
    }
    box_.setText(QStringLiteral("单击选择歌词,双击立即下载[%1秒后将自动选择下载]").arg(tick_));
    if (tick_ == 0)
        box_.setText(CandidatesHint);
}

void LrcRequestController::selectByCode(int row)
{
    list_.selected = row;
    listChanged();
    listClicked(); // setting the selection raises the list's Click
}

void LrcRequestController::setCandidateListEnabled(bool on)
{
    list_.enabled = on;
    listChanged();
}

void LrcRequestController::userSelect(int row)
{
    list_.selected = (row >= 0 && row < list_.entries.size()) ? row : -1;
    listClicked();
}

void LrcRequestController::cancelCountdown()
{
    setCountdown(false);
    tick_ = 0;
    box_.setText(CandidatesHint);
}

void LrcRequestController::listClicked()
{
    if (tick_ != settings().LrcWaitSeconds)
        cancelCountdown();
}

void LrcRequestController::listMouseUp()
{
    cancelCountdown();
}

void LrcRequestController::listMouseMove()
{
    if (list_.selected < 0 || list_.selected >= list_.entries.size())
        return;
    list_.toolTip = candidateToolTip(list_.entries[list_.selected]);
    listChanged();
}

void LrcRequestController::listDoubleClicked()
{
    cancelCountdown();
    if (list_.selected < 0 || list_.selected >= list_.entries.size()) {
        rt::ui().msgBox(QStringLiteral("请首先选中要下载的歌词！"), rt::OkOnly);
        return;
    }
    window_.setContinueFuzzyEnabled(true);
    list_.visible = false;
    box_.setText(QString());
    box_.setBackColor(ButtonFaceColor);
    tick_ = 0;

    abandonDownload();
    if (!removeOldReply()) {
        list_.toolTip.clear();
        listChanged();
        box_.setEnabled(true);
        showTimeout();
        return;
    }
    const QString dz = candidateServerFile(list_.entries[list_.selected]);
    startDownload(lrcRequestUrl(LrcRequestKind::Candidate, {version_, shared().ComputerName}, track_, dz));
    setPoll(true);
    list_.toolTip.clear();
    listChanged();
    box_.setEnabled(true);
}

void LrcRequestController::hideList()
{
    list_.visible = false;
    listChanged();
}

void LrcRequestController::listChanged()
{
    window_.candidateListChanged();
}

// --- Abandoning

void LrcRequestController::stopTimers()
{
    ++generation_;
    setPoll(false);
    setCountdown(false);
    abandonDownload();
}

void LrcRequestController::reset()
{
    list_.visible = false;
    list_.toolTip.clear();
    listChanged();
    stopTimers();
}

} // namespace melodune
