#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// A small English lemmatiser for matching typed questions against keywords.
// It splits a text into words and reduces each word to its dictionary form
// ("fans" -> "fan", "draining" -> "drain", "hotter" -> "hot"): first from a
// table of irregular forms, then by suffix rules. Its vocabulary is tuned
// for questions about a computer's health; a word that no rule fits comes
// back as it stands, lowercased.
class Lemmatizer {
public:
    // The words of a text in order, without punctuation or white space.
    // Letters, digits and combining marks form words; every other character
    // (apostrophes and hyphens included) separates them.
    static QStringList words(QStringView text);

    // The lowercased dictionary form of one word.
    static QString lemma(QStringView word);

    // The lemma of every word of the text, in order.
    static QStringList lemmas(QStringView text);
};
