#include "telemetry/Lemmatizer.h"

#include <QHash>
#include <QSet>

#include <initializer_list>
#include <utility>

namespace {

using Pairs = std::initializer_list<std::pair<const char*, const char*>>;

QHash<QString, QString> tableOf(Pairs pairs)
{
    QHash<QString, QString> table;
    for (const auto& [form, base] : pairs)
        table.insert(QString::fromLatin1(form), QString::fromLatin1(base));
    return table;
}

QSet<QString> setOf(std::initializer_list<const char*> words)
{
    QSet<QString> set;
    for (const char* word : words)
        set.insert(QString::fromLatin1(word));
    return set;
}

// Forms the suffix rules would get wrong.
const QHash<QString, QString>& irregularForms()
{
    static const QHash<QString, QString> table = tableOf({
        {"am", "be"}, {"is", "be"}, {"are", "be"}, {"was", "be"}, {"were", "be"}, {"been", "be"},
        {"being", "be"}, {"has", "have"}, {"had", "have"}, {"having", "have"}, {"does", "do"},
        {"did", "do"}, {"done", "do"}, {"goes", "go"}, {"went", "go"}, {"gone", "go"},
        {"got", "get"}, {"gotten", "get"}, {"made", "make"}, {"took", "take"}, {"taken", "take"},
        {"gave", "give"}, {"given", "give"}, {"saw", "see"}, {"seen", "see"}, {"knew", "know"},
        {"known", "know"}, {"thought", "think"}, {"ran", "run"}, {"came", "come"},
        {"found", "find"}, {"kept", "keep"}, {"felt", "feel"}, {"began", "begin"},
        {"begun", "begin"}, {"brought", "bring"}, {"bought", "buy"}, {"built", "build"},
        {"wrote", "write"}, {"written", "write"}, {"froze", "freeze"}, {"frozen", "freeze"},
        {"drove", "drive"}, {"driven", "drive"}, {"ate", "eat"}, {"eaten", "eat"},
        {"fell", "fall"}, {"fallen", "fall"}, {"held", "hold"}, {"lost", "lose"},
        {"meant", "mean"}, {"met", "meet"}, {"paid", "pay"}, {"said", "say"}, {"sold", "sell"},
        {"sent", "send"}, {"spent", "spend"}, {"stood", "stand"}, {"told", "tell"},
        {"understood", "understand"}, {"won", "win"}, {"fed", "feed"}, {"led", "lead"},
        {"dying", "die"}, {"lying", "lie"}, {"tying", "tie"},
        {"children", "child"}, {"men", "man"}, {"women", "woman"}, {"people", "person"},
        {"mice", "mouse"}, {"feet", "foot"}, {"teeth", "tooth"}, {"indices", "index"},
        {"matrices", "matrix"}, {"analyses", "analysis"}, {"crises", "crisis"},
        {"knives", "knife"}, {"halves", "half"}, {"shelves", "shelf"}, {"wolves", "wolf"},
        {"better", "good"}, {"best", "good"}, {"worse", "bad"}, {"worst", "bad"},
        {"further", "far"}, {"furthest", "far"}, {"farther", "far"}, {"farthest", "far"},
        {"caches", "cache"}, {"cached", "cache"}, {"caching", "cache"}, {"niches", "niche"},
        {"aches", "ache"}, {"headaches", "headache"}, {"used", "use"}, {"using", "use"},
        {"focused", "focus"}, {"focusing", "focus"}, {"created", "create"},
        {"creating", "create"}, {"synced", "sync"}, {"syncing", "sync"},
        {"changed", "change"}, {"changing", "change"}, {"ranged", "range"},
        {"ranging", "range"}, {"cpus", "cpu"}, {"gpus", "gpu"}, {"npus", "npu"},
        {"apis", "api"},
    });
    return table;
}

// Words that look inflected but are dictionary forms already.
const QSet<QString>& invariantWords()
{
    static const QSet<QString> words = setOf({
        "news", "always", "perhaps", "series", "species", "whereas", "alias", "bias", "canvas",
        "atlas", "macos", "chaos", "kudos", "cosmos", "during", "nothing", "something",
        "anything", "everything", "morning", "evening", "ceiling", "hundred", "kindred",
        "sacred", "naked", "wicked",
    });
    return words;
}

// Adjectives whose comparative and superlative forms are recognised;
// without a dictionary "-er" cannot be told apart from nouns such as
// "power" or "server".
const QSet<QString>& gradableAdjectives()
{
    static const QSet<QString> words = setOf({
        "hot", "cold", "cool", "warm", "slow", "fast", "quick", "high", "low", "big", "small",
        "large", "long", "short", "new", "old", "young", "loud", "quiet", "heavy", "light",
        "busy", "easy", "hard", "soft", "bright", "dark", "weak", "strong", "cheap", "late",
        "early", "safe", "close", "deep", "wide", "full", "great", "smooth", "thin", "thick",
        "fat", "wet", "dry", "sad", "clean", "clear", "simple", "tight", "loose", "near", "few",
        "rich", "poor", "tiny", "happy", "lazy", "noisy", "dirty", "fine", "nice", "rare",
        "pure", "sure", "calm", "sharp", "fresh", "steady", "stable",
    });
    return words;
}

bool isVowelAt(const QString& word, qsizetype i)
{
    switch (word.at(i).unicode()) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
        return true;
    case 'y':
        // "y" sounds as a vowel after a consonant ("try", "busy").
        return i > 0 && !isVowelAt(word, i - 1);
    default:
        return false;
    }
}

bool hasVowel(const QString& word)
{
    for (qsizetype i = 0; i < word.size(); ++i)
        if (isVowelAt(word, i))
            return true;
    return false;
}

// Number of vowel-consonant sequences: "lag" 1, "power" 2, "drain" 1.
int syllableMeasure(const QString& word)
{
    int measure = 0;
    for (qsizetype i = 1; i < word.size(); ++i)
        if (isVowelAt(word, i - 1) && !isVowelAt(word, i))
            ++measure;
    return measure;
}

bool isAsciiLowerWord(const QString& word)
{
    for (const QChar c : word)
        if (c < u'a' || c > u'z')
            return false;
    return !word.isEmpty();
}

bool endsWithDoubledConsonant(const QString& stem, QStringView which)
{
    const qsizetype n = stem.size();
    return n >= 2 && stem.at(n - 1) == stem.at(n - 2) && which.contains(stem.at(n - 1));
}

// Repairs a stem left after cutting "-ed" or "-ing": undoes a doubled final
// consonant ("lagg" -> "lag") and restores a silent "e" ("sav" -> "save").
QString repairStem(const QString& stem)
{
    const qsizetype n = stem.size();
    // Doubling follows a short vowel after a consonant: "stopp", "programm",
    // but not "add" or "buzz".
    if (n >= 4 && endsWithDoubledConsonant(stem, u"bdgmnprt") && isVowelAt(stem, n - 3)
        && !isVowelAt(stem, n - 4))
        return stem.left(n - 1);

    static const QStringList eEndings = {
        QStringLiteral("iat"), QStringLiteral("uat"), QStringLiteral("uc"), QStringLiteral("rc"),
        QStringLiteral("nc"), QStringLiteral("rg"), QStringLiteral("dg"), QStringLiteral("iz"),
        QStringLiteral("yz"), QStringLiteral("us"), QStringLiteral("os"), QStringLiteral("eas"),
        QStringLiteral("rs"), QStringLiteral("ps"), QStringLiteral("ns"), QStringLiteral("ls"),
    };
    for (const QString& ending : eEndings)
        if (stem.endsWith(ending) && n > ending.size())
            return stem + u'e';

    const QChar last = stem.at(n - 1);
    const QChar beforeLast = n >= 2 ? stem.at(n - 2) : QChar();
    // No English word ends in "v", and a single final "z" takes an "e"
    // ("siz", "freez"); "buzz" keeps its form.
    if (last == u'v' || (last == u'z' && beforeLast != u'z'))
        return stem + u'e';
    // Consonant + "at" / "ut" ("updat", "comput"), but not "heat" or "shout".
    if (n >= 3 && (stem.endsWith(u"at") || stem.endsWith(u"ut")) && !isVowelAt(stem, n - 3))
        return stem + u'e';
    // "requir", "inspir", "configur", but not "repair" or "pour".
    if (n >= 3 && (stem.endsWith(u"ir") || stem.endsWith(u"ur"))
        && !QStringView(u"aeo").contains(stem.at(n - 3)))
        return stem + u'e';
    // Consonant + "l" as in "throttl", "handl", "enabl".
    if (last == u'l' && QStringView(u"bcdfgkpstz").contains(beforeLast))
        return stem + u'e';
    // A one-syllable stem ending consonant-vowel-consonant would have doubled
    // its consonant, so its "e" was cut: "mak", "clos", "hat".
    if (n >= 3 && syllableMeasure(stem) == 1 && !isVowelAt(stem, n - 3) && isVowelAt(stem, n - 2)
        && !isVowelAt(stem, n - 1) && !QStringView(u"wxy").contains(last))
        return stem + u'e';
    return stem;
}

// "hotter" -> "hot", "slowest" -> "slow", "heavier" -> "heavy",
// "later" -> "late"; only for the known adjectives.
QString comparativeBase(const QString& word)
{
    for (QStringView suffix : {QStringView(u"est"), QStringView(u"er")}) {
        if (!word.endsWith(suffix) || word.size() <= suffix.size() + 1)
            continue;
        const QString stem = word.left(word.size() - suffix.size());
        QStringList candidates;
        if (endsWithDoubledConsonant(stem, u"bdgmnprt"))
            candidates << stem.left(stem.size() - 1);
        if (stem.endsWith(u'i'))
            candidates << stem.left(stem.size() - 1) + u'y';
        candidates << stem + u'e' << stem;
        for (const QString& candidate : candidates)
            if (gradableAdjectives().contains(candidate))
                return candidate;
    }
    return {};
}

QString singular(const QString& word)
{
    const qsizetype n = word.size();
    if (n <= 3 || word.endsWith(u"ss") || word.endsWith(u"us") || word.endsWith(u"is"))
        return word;
    if (word.endsWith(u"ies"))
        return n > 4 ? word.left(n - 3) + u'y' : word.left(n - 1); // "batteries", "ties"
    for (QStringView ending : {QStringView(u"sses"), QStringView(u"shes"), QStringView(u"ches"),
                               QStringView(u"xes"), QStringView(u"zzes")})
        if (word.endsWith(ending))
            return word.left(n - 2);
    return word.left(n - 1);
}

QString withoutIng(const QString& word)
{
    const QString stem = word.left(word.size() - 3);
    // "thing", "bring", "ping" are no "-ing" forms.
    if (stem.size() < 2 || !hasVowel(stem))
        return word;
    return repairStem(stem);
}

QString withoutEd(const QString& word)
{
    const qsizetype n = word.size();
    if (n <= 3 || word.endsWith(u"eed")) // "bed", "need", "speed"
        return word;
    if (word.endsWith(u"ied"))
        return n > 4 ? word.left(n - 3) + u'y' : word.left(n - 1); // "tried", "died"
    const QString stem = word.left(n - 2);
    if (!hasVowel(stem)) // "shed", "fled"
        return word;
    return repairStem(stem);
}

} // namespace

QStringList Lemmatizer::words(QStringView text)
{
    QStringList words;
    QString current;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isLetterOrNumber(c) || QChar::isMark(c)) {
            current.append(QStringView(QChar::fromUcs4(c)));
        } else if (!current.isEmpty()) {
            words.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        words.append(current);
    return words;
}

QString Lemmatizer::lemma(QStringView word)
{
    const QString lower = word.toString().toLower();
    if (const auto it = irregularForms().constFind(lower); it != irregularForms().constEnd())
        return *it;
    // Rules are for plain English words; numbers, names with digits and
    // other scripts stay as they are.
    if (!isAsciiLowerWord(lower) || invariantWords().contains(lower))
        return lower;
    if (const QString base = comparativeBase(lower); !base.isEmpty())
        return base;
    if (lower.endsWith(u's'))
        return singular(lower);
    if (lower.endsWith(u"ing"))
        return withoutIng(lower);
    if (lower.endsWith(u"ed"))
        return withoutEd(lower);
    return lower;
}

QStringList Lemmatizer::lemmas(QStringView text)
{
    QStringList result = words(text);
    for (QString& word : result)
        word = lemma(word);
    return result;
}
