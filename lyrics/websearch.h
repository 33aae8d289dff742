#pragma once
// The web pages opened in the user's browser: the lyrics site's own page and
// the search engine's MP3 and picture searches for a keyword the user types.
// Addresses go through rt::openWebPageOrSay (platform/shellopen.h): a
// desktop that cannot open one is told to the user with the address.
#include <QString>
#include <QUrl>

namespace melodune {

// The lyrics service host followed by "/lrc/".
QUrl lyricsSitePageUrl();
// The prefix (ending in "word=") followed by the keyword, every byte of its
// UTF-8 form outside A-Z a-z 0-9 - _ . ~ percent-encoded, as browsers send it.
QUrl keywordSearchUrl(const QString& prefix, const QString& keyword);

// mnuSearch1_Click (PopSearch1, XPButton25).
void openLyricsSitePage();
// mnuSearch2_Click (PopSearch2) with Mp3SearchUrl, mnuSearch3_Click
// (PopSearch3) with ImageSearchUrl: asks the keyword; blank or cancelled
// opens nothing. True when a page was handed to the desktop.
bool searchMp3();
bool searchImages();

} // namespace melodune
