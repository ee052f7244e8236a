#pragma once
// The paragraphs of an HTML page, by a tokenizer of our own: no display, no
// fonts, no layout, so it runs the same on a QCoreApplication as in a window.
//
// The page is walked once, left to right, without recursion: the open
// elements are an explicit stack, each entry remembering the nearest scope
// boundaries below it, and every element name has the stack of its open
// positions, so a start or end tag costs constant time and every element is
// pushed and popped once: time and memory are linear in the page.
// More than kMaxDepth elements open at once is refused ("le document imbrique
// ses éléments sur plus de 10 000 niveaux : refusé"): no page written for
// reading goes near it.
//
// What makes a paragraph, as browsers lay a page out:
//  - block elements (p, div, headings, list items, table cells row by row,
//    captions, blockquote, pre, the sectioning elements of HTML5…) begin and
//    end paragraphs; inline elements (b, i, span, a, code, kbd, tt…) do not;
//  - <br> is a line break inside the paragraph (a space once made fit for
//    segmentation);
//  - white space runs are one space, none at a paragraph's ends; inside
//    <pre>, <listing>, <xmp>, <textarea> and <plaintext> spaces stay and
//    every line is a paragraph (the line break just after the start tag is
//    dropped, as browsers drop it);
//  - script, style, title, iframe, noembed, noframes and template contents,
//    comments, the doctype and processing instructions are left out;
//  - character references are decoded (htmlentities.h);
//  - the end tags browsers imply are implied (p before a block, li before
//    li, dt/dd, td/th, tr, option), within the scopes browsers use.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace exchange::htmltext {

inline constexpr int kMaxDepth = 10000;

// The cause given when more than `limit` elements are open at once.
QString depthRefusal(int limit);

// The page's paragraphs (never empty, no line breaks inside). `poll` is
// called every few thousand tokens and may throw to end the work; throws
// ReadFailure (depthRefusal) on a page nested too deep.
QStringList paragraphs(QStringView page, const std::function<void()> &poll = {});

} // namespace exchange::htmltext
