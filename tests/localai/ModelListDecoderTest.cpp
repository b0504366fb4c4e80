#include "fakes/FakeModelServer.h"
#include "localai/ModelListDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

// Well-formed JSON reads as the values it spells; what is malformed anywhere, even in a member nobody
// reads, makes the whole answer unreadable.
TEST(ModelListDecoderTest, ReadsWellFormedJsonOnlyAndSpelledValuesAlike)
{
    const auto withOne = [](const QByteArray& element) { return "{\"models\":[" + element + "]}"; };
    const struct {
        const char* what;
        QByteArray body;
        std::optional<QString> name; // nullopt: unreadable
        qint64 size = 1;
    } cases[] = {
        {"white space everywhere", " \r\n\t{ \"models\" : [ { \"name\" : \"a\" , \"size\" : 1 } ] } \n",
         QStringLiteral("a")},
        {"escapes in keys and values", withOne(R"({"n\u0061me":"\"a\\\/\n\u00e9\ud83d\ude00","size":1})"),
         QStringLiteral("\"a\\/\n\u00e9") + QString::fromUcs4(U"\U0001F600")},
        {"a lone surrogate escape", withOne(R"({"name":"a\udc00","size":1})"), QStringLiteral("a\uFFFD")},
        {"raw UTF-8", withOne("{\"name\":\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\",\"size\":1}"),
         QStringLiteral("\u00e9\u20ac") + QString::fromUcs4(U"\U0001F600")},
        {"a repeated key: the last counts", R"({"models":7,"models":[{"name":5,"size":1,"name":"c"}]})", QStringLiteral("c")},
        {"a repeated models whose last is unreadable", R"({"models":[{"name":"c","size":1}],"models":[{}]})", {}},
        {"unknown members of every type", withOne(R"({"x":[{"y":[true,false,null,-1.5e-3,"z"]},{}],"name":"a","size":1})"),
         QStringLiteral("a")},
        {"size with an exponent", withOne(R"({"name":"a","size":1E3})"), QStringLiteral("a"), 1000},
        {"the smallest 64-bit size", withOne(R"({"name":"a","size":-9223372036854775808})"), QStringLiteral("a"), 0},
    };
    for (const auto& c : cases) {
        const auto decoded = decodeModelList(c.body);
        ASSERT_EQ(decoded ? decoded->models.size() : -1, c.name ? 1 : -1) << c.what;
        if (decoded) {
            EXPECT_EQ(std::pair(decoded->models[0].name, decoded->models[0].size), std::pair(*c.name, c.size)) << c.what;
        }
    }
    // Numbers out of range or misspelt, misplaced commas, colons and brackets, bad escapes, raw control
    // characters, invalid UTF-8 (overlong, surrogate, past U+10FFFF, cut), misspelt literals, deep nesting, a
    // missing size, a detail of the wrong type, a name over the cap: first or past the kept rows, all count.
    const QByteArray kept = FakeModelServer::modelList(kMaxListedModels + 10).chopped(2) + ",";
    const QByteArray malformed[] = {
        R"({"name":"a","size":9223372036854775808})", R"({"name":"a","size":1,"x":1e400})",
        R"({"name":"a","size":01})", R"({"name":"a","size":1,"x":.5})", R"({"name":"a","size":1,})",
        R"({"name":"a","size":1},)", R"({"name" "a","size":1})", R"({"name":"a","size":1,"x":[}])",
        R"({"name":"a\x","size":1})", R"({"name":"a\u12","size":1})", "{\"name\":\"a\tb\",\"size\":1}",
        "{\"name\":\"\xc0\xaf\",\"size\":1}", "{\"name\":\"\xed\xa0\x80\",\"size\":1}",
        "{\"name\":\"\xf4\x90\x80\x80\",\"size\":1}", "{\"name\":\"\xe2\x82\",\"size\":1}",
        R"({"name":"a","size":1,"x":nul})",
        R"({"name":"a","size":1,"x":)" + QByteArray(2000, '[') + QByteArray(2000, ']') + "}", R"({"name":"a"})",
        R"({"name":"a","size":1,"details":{"format":1}})", "{\"name\":\"" + QByteArray(1025, 'n') + "\",\"size\":1}",
    };
    for (const QByteArray& element : malformed) {
        EXPECT_FALSE(decodeModelList(withOne(element))) << element.left(60).constData();
        EXPECT_FALSE(decodeModelList(kept + element + "]}")) << element.left(60).constData();
    }
}

// Thousands of mutations of a valid answer: nothing reads past the text, and what reads as an answer is
// JSON to Qt's own parser too, with as many models as it says.
TEST(ModelListDecoderTest, MutatedAnswersNeverMisreadTheText)
{
    const QByteArray valid = R"({"models":[{"name":"llama3:8b","size":4661224816,"details":{"format":"gguf",)"
                             R"("families":["llama"],"parameter_size":"8B","quantization_level":"Q4_0"},)"
                             R"("expires_at":"2024-06-04T14:38:31.8-07:00"},{"name":"x\u00e9\ud83d\ude00","size":1e3}]})";
    const char specials[] = "{}[]\":,\\u0-.eE \xc3\xa9\xed\xf4\x80";
    QRandomGenerator random(53);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        QByteArray text = valid;
        for (int edits = 1 + random.bounded(3); edits > 0 && !text.isEmpty(); --edits) {
            const int at = random.bounded(int(text.size()));
            switch (random.bounded(4)) {
            case 0: text[at] = specials[random.bounded(int(sizeof specials) - 1)]; break;
            case 1: text.truncate(at); break;
            case 2: text.insert(at, text.mid(at, random.bounded(40))); break;
            default: text.remove(at, 1 + random.bounded(4));
            }
        }
        const QByteArray exact(text.constData(), text.size()); // no spare capacity: a read past its end is caught
        if (const auto decoded = decodeModelList(exact)) {
            ++accepted;
            QJsonParseError error;
            const QJsonArray models = QJsonDocument::fromJson(exact, &error).object().value(u"models").toArray();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << exact.constData();
            EXPECT_EQ(decoded->total, models.size()) << exact.constData();
        }
    }
    EXPECT_GT(accepted, 0) << "some mutations stay well formed";
}
