#pragma once

#include <QString>

// A small inline-markup reader for the help texts: **bold**, `code` and line
// breaks become rich text. The text is escaped first, so "<" and "&" show
// as themselves; a marker without its closing partner stays as written.
class InlineMarkup {
public:
    static QString toHtml(const QString& text);
};
