#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

QColor colourAt(QTextDocument* doc, int docPos)
{
    QTextCursor c(doc);
    c.setPosition(docPos + 1); // the format of the character before the cursor
    return c.charFormat().foreground().color();
}

} // namespace

TEST(RichTextView, ShowsTheModel)
{
    RichTextModel box;
    RichTextView view(&box);
    EXPECT_FALSE(view.isVisible()); // building it shows nothing yet
    view.resize(200, 120);
    view.show();

    QString t = "\r\n[1.0]one\r\n[2.0]two\r\r\n";
    for (int i = 3; i < 60; ++i)
        t += QString("[%1.0]line\r\n").arg(i);
    box.setText(t);
    box.setBackColor(rt::rgb(0, 0, 128));
    box.selectAll();
    box.setSelColor(rt::rgb(255, 0, 0));
    view.refreshNow();

    QTextDocument* doc = view.document();
    // One block per model line; CR CR LF ends two of them.
    EXPECT_EQ(doc->blockCount(), box.lineCount());
    EXPECT_EQ(doc->findBlockByNumber(1).text(), QString("[1.0]one"));
    EXPECT_EQ(doc->findBlockByNumber(3).text(), QString());
    EXPECT_EQ(view.palette().color(QPalette::Base), QColor(0, 0, 128));

    // A later range change reaches the right characters across CR LF pairs.
    const int two = box.indexOf(u"two");
    box.setColor(two, 3, rt::rgb(0, 255, 0));
    view.refreshNow();
    const int docTwo = doc->findBlockByNumber(2).position() + 5;
    EXPECT_EQ(colourAt(doc, docTwo), QColor(0, 255, 0));
    EXPECT_EQ(colourAt(doc, docTwo + 2), QColor(0, 255, 0));
    EXPECT_EQ(colourAt(doc, docTwo - 1), QColor(255, 0, 0));
    EXPECT_EQ(colourAt(doc, docTwo + 3 + 1), QColor(255, 0, 0)); // next line's "["

    // The view reports its height, and follows the model's scrolling.
    EXPECT_GT(box.visibleLineCount(), 0);
    box.lineScroll(10);
    view.refreshNow();
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    box.setFirstVisibleLine(0);
    view.refreshNow();
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);

    // The user's own scrolling goes back to the model.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    EXPECT_GT(box.firstVisibleLine(), 10);

    box.setVisible(false);
    view.refreshNow();
    EXPECT_FALSE(view.isVisible());
    box.setVisible(true);
    view.refreshNow();
    EXPECT_TRUE(view.isVisible());
}
