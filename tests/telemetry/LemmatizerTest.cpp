#include "telemetry/Lemmatizer.h"

#include "QStringPrinter.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Expectations = std::vector<std::pair<const char*, const char*>>;

void expectLemmas(const Expectations& cases)
{
    for (const auto& [word, base] : cases)
        EXPECT_EQ(Lemmatizer::lemma(QString::fromUtf8(word)), QString::fromUtf8(base)) << word;
}

} // namespace

TEST(Lemmatizer, WordsDropPunctuationAndWhiteSpace)
{
    EXPECT_EQ(Lemmatizer::words(u"  Why are my fans, like, SO loud?!\n"),
              QStringList({"Why", "are", "my", "fans", "like", "SO", "loud"}));
    EXPECT_EQ(Lemmatizer::words(u"battery's low-power mode: 80\u00B0C"),
              QStringList({"battery", "s", "low", "power", "mode", "80", "C"}));
    EXPECT_EQ(Lemmatizer::words(u"caf\u00E9 na\u0308ive \U0001D400x \U0001F525"),
              QStringList({u"caf\u00E9"_qs, u"na\u0308ive"_qs, u"\U0001D400x"_qs}));
    EXPECT_TRUE(Lemmatizer::words(u"").isEmpty());
    EXPECT_TRUE(Lemmatizer::words(u" ?! ... \t").isEmpty());
}

TEST(Lemmatizer, MapsTheCoPilotKeywordFormsToTheirBase)
{
    expectLemmas({
        {"fans", "fan"}, {"Fans", "fan"}, {"drained", "drain"}, {"draining", "drain"},
        {"drains", "drain"}, {"temperatures", "temperature"}, {"batteries", "battery"},
        {"lagging", "lag"}, {"lagged", "lag"}, {"lags", "lag"}, {"slower", "slow"},
        {"slowest", "slow"}, {"slowed", "slow"}, {"networks", "network"},
        {"networking", "network"}, {"powered", "power"}, {"powering", "power"},
        {"hotter", "hot"}, {"hottest", "hot"}, {"memories", "memory"},
    });
}

TEST(Lemmatizer, LeavesBaseFormsAlone)
{
    // Keyword bases must survive unchanged, and "-er", "-s", "-ing", "-ed"
    // endings that are part of the word itself must not be cut.
    expectLemmas({
        {"power", "power"}, {"battery", "battery"}, {"hot", "hot"}, {"fan", "fan"},
        {"slow", "slow"}, {"lag", "lag"}, {"memory", "memory"}, {"network", "network"},
        {"privacy", "privacy"}, {"drain", "drain"}, {"temperature", "temperature"},
        {"server", "server"}, {"computer", "computer"}, {"water", "water"}, {"user", "user"},
        {"process", "process"}, {"status", "status"}, {"analysis", "analysis"}, {"this", "this"},
        {"gas", "gas"}, {"thing", "thing"}, {"ping", "ping"}, {"string", "string"},
        {"during", "during"}, {"need", "need"}, {"speed", "speed"}, {"shed", "shed"},
        {"bed", "bed"}, {"news", "news"}, {"interest", "interest"}, {"test", "test"},
        {"macos", "macos"}, {"slowly", "slowly"},
    });
}

TEST(Lemmatizer, AppliesGeneralSuffixRules)
{
    expectLemmas({
        {"photos", "photo"}, {"processes", "process"}, {"matches", "match"}, {"crashes", "crash"},
        {"boxes", "box"}, {"sizes", "size"}, {"caches", "cache"}, {"ties", "tie"}, {"cpus", "cpu"},
        {"running", "run"}, {"stopped", "stop"}, {"programming", "program"},
        {"preferred", "prefer"}, {"occurring", "occur"}, {"added", "add"}, {"buzzing", "buzz"},
        {"making", "make"}, {"closed", "close"}, {"saving", "save"}, {"freezing", "freeze"},
        {"throttled", "throttle"}, {"throttling", "throttle"}, {"enabled", "enable"},
        {"updated", "update"}, {"computing", "compute"}, {"reduced", "reduce"},
        {"charging", "charge"}, {"required", "require"}, {"configured", "configure"},
        {"repaired", "repair"}, {"heated", "heat"}, {"overheating", "overheat"},
        {"opened", "open"}, {"visited", "visit"}, {"killed", "kill"}, {"failed", "fail"},
        {"tried", "try"}, {"died", "die"}, {"playing", "play"}, {"seeing", "see"},
        {"heavier", "heavy"}, {"later", "late"}, {"bigger", "big"},
    });
}

TEST(Lemmatizer, UsesTheIrregularTable)
{
    expectLemmas({
        {"is", "be"}, {"Was", "be"}, {"goes", "go"}, {"ran", "run"}, {"froze", "freeze"},
        {"children", "child"}, {"better", "good"}, {"worst", "bad"}, {"used", "use"},
    });
}

TEST(Lemmatizer, KeepsNumbersAndOtherScriptsAsTheyStandLowercased)
{
    expectLemmas({{"80", "80"}, {"M2s", "m2s"}, {"Caf\u00C9s", "caf\u00E9s"}, {"", ""}});
}

TEST(Lemmatizer, LemmasFollowTheWordsInOrder)
{
    EXPECT_EQ(Lemmatizer::lemmas(u"Why are my fans spinning while the battery drained?"),
              QStringList({"why", "be", "my", "fan", "spin", "while", "the", "battery", "drain"}));
}
