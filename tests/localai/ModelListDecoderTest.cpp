#include "localai/ModelListDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray withOne(const QByteArray& element) { return "{\"models\":[" + element + "]}"; }

} // namespace

// The answer is read strictly as JSON: what is malformed anywhere, even in
// a member nobody reads, makes the whole answer unreadable; what is well
// formed reads as the values it spells.
TEST(ModelListDecoderTest, ReadsWellFormedJsonOnlyAndSpelledValuesAlike)
{
    const QByteArray ok = R"({"name":"a","size":1})";
    const struct {
        const char* what;
        QByteArray body;
        std::optional<QString> name; // nullopt: unreadable
        qint64 size = 1;
    } cases[] = {
        {"plain", withOne(ok), QStringLiteral("a")},
        {"white space everywhere", " \r\n\t{ \"models\" : [ { \"name\" : \"a\" , \"size\" : 1 } ] } \n", QStringLiteral("a")},
        {"escapes in keys and values", withOne(R"({"n\u0061me":"\"a\\\/\n\u00e9\ud83d\ude00","size":1})"),
         QStringLiteral("\"a\\/\n\u00e9") + QString::fromUcs4(U"\U0001F600")},
        {"a lone surrogate escape", withOne(R"({"name":"a\udc00","size":1})"), QStringLiteral("a\uFFFD")},
        {"raw UTF-8", withOne("{\"name\":\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\",\"size\":1}"),
         QStringLiteral("\u00e9\u20ac") + QString::fromUcs4(U"\U0001F600")},
        {"a repeated key: the last counts", withOne(R"({"name":5,"size":1,"name":"b"})"), QStringLiteral("b")},
        {"a repeated models: the last counts", R"({"models":7,"models":[{"name":"c","size":1}]})", QStringLiteral("c")},
        {"a repeated models whose last is unreadable", R"({"models":[{"name":"c","size":1}],"models":[{}]})", std::nullopt},
        {"unknown members of every type", withOne(R"({"x":[{"y":[true,false,null,-1.5e-3,"z"]},{}],"name":"a","size":1})"),
         QStringLiteral("a")},
        {"size written with a fraction of zero", withOne(R"({"name":"a","size":2.0})"), QStringLiteral("a"), 2},
        {"size with an exponent", withOne(R"({"name":"a","size":1E3})"), QStringLiteral("a"), 1000},
        {"the smallest 64-bit size", withOne(R"({"name":"a","size":-9223372036854775808})"), QStringLiteral("a"), 0},
        {"size with a fraction", withOne(R"({"name":"a","size":1.5})"), std::nullopt},
        {"size of 2^63", withOne(R"({"name":"a","size":9223372036854775808})"), std::nullopt},
        {"size as a string", withOne(R"({"name":"a","size":"1"})"), std::nullopt},
        {"a number beyond doubles, unread", withOne(R"({"name":"a","size":1,"x":1e400})"), std::nullopt},
        {"a leading zero", withOne(R"({"name":"a","size":01})"), std::nullopt},
        {"a bare fraction", withOne(R"({"name":"a","size":1,"x":.5})"), std::nullopt},
        {"a trailing comma in an object", withOne(R"({"name":"a","size":1,})"), std::nullopt},
        {"a trailing comma in an array", "{\"models\":[" + ok + ",]}", std::nullopt},
        {"a missing colon", withOne(R"({"name" "a","size":1})"), std::nullopt},
        {"mismatched brackets", withOne(R"({"name":"a","size":1,"x":[}])"), std::nullopt},
        {"text after the answer", withOne(ok) + "x", std::nullopt},
        {"two answers", withOne(ok) + withOne(ok), std::nullopt},
        {"an unknown escape", withOne(R"({"name":"a\x","size":1})"), std::nullopt},
        {"a short unicode escape", withOne(R"({"name":"a\u12","size":1})"), std::nullopt},
        {"a raw control character", withOne("{\"name\":\"a\tb\",\"size\":1}"), std::nullopt},
        {"an overlong UTF-8 form", withOne("{\"name\":\"\xc0\xaf\",\"size\":1}"), std::nullopt},
        {"a UTF-8 surrogate", withOne("{\"name\":\"\xed\xa0\x80\",\"size\":1}"), std::nullopt},
        {"UTF-8 past U+10FFFF", withOne("{\"name\":\"\xf4\x90\x80\x80\",\"size\":1}"), std::nullopt},
        {"a cut UTF-8 sequence", withOne("{\"name\":\"\xe2\x82\",\"size\":1}"), std::nullopt},
        {"a misspelt literal, unread", withOne(R"({"name":"a","size":1,"x":nul})"), std::nullopt},
        {"an unterminated string", "{\"models\":[{\"name\":\"a", std::nullopt},
        {"an unclosed answer", "{\"models\":[" + ok, std::nullopt},
        {"nesting 2,000 deep, unread",
         withOne("{\"name\":\"a\",\"size\":1,\"x\":" + QByteArray(2000, '[') + QByteArray(2000, ']') + "}"), std::nullopt},
        {"an array at the top", "[" + ok + "]", std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decoded = decodeModelList(c.body);
        ASSERT_EQ(decoded.has_value(), c.name.has_value()) << c.what;
        if (!decoded)
            continue;
        ASSERT_EQ(decoded->models.size(), 1) << c.what;
        EXPECT_EQ(decoded->models[0].name, *c.name) << c.what;
        EXPECT_EQ(decoded->models[0].size, c.size) << c.what;
    }
}

// Past the kept rows every element is still checked, and counted.
TEST(ModelListDecoderTest, KeepsTheFirstRowsAndChecksAndCountsTheRest)
{
    QByteArray body = "{\"models\":[";
    for (int i = 0; i < 120; ++i)
        body += QByteArray(i ? "," : "") + "{\"name\":\"m" + QByteArray::number(i) + "\",\"size\":" + QByteArray::number(i) + "}";
    const auto decoded = decodeModelList(body + "]}");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->total, 120);
    ASSERT_EQ(decoded->models.size(), kMaxListedModels);
    EXPECT_EQ(decoded->models.back().name, QStringLiteral("m49"));
    EXPECT_FALSE(decodeModelList(body + ",{\"name\":\"late\"}]}")) << "a late element without a size";
    EXPECT_FALSE(decodeModelList(body + ",{\"name\":\"" + QByteArray(1025, 'n') + "\",\"size\":1}]}"))
        << "a late name over the length cap";
    EXPECT_FALSE(decodeModelList(body + ",{\"name\":\"late\",\"size\":1,\"details\":{\"format\":1}}]}"))
        << "a late detail of the wrong type";
}

// Thousands of mutations of a valid answer (bytes changed, cut, repeated):
// nothing reads past the text, and whatever reads as an answer is JSON to
// Qt's own parser too, with as many models as it says.
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
            case 0:
                text[at] = specials[random.bounded(int(sizeof specials) - 1)];
                break;
            case 1:
                text.truncate(at);
                break;
            case 2:
                text.insert(at, text.mid(at, random.bounded(40)));
                break;
            default:
                text.remove(at, 1 + random.bounded(4));
            }
        }
        // A copy without spare capacity: a read past its end is caught.
        const QByteArray exact(text.constData(), text.size());
        const auto decoded = decodeModelList(exact);
        if (!decoded)
            continue;
        ++accepted;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(exact, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << exact.constData();
        EXPECT_EQ(decoded->total, document.object().value(QLatin1StringView("models")).toArray().size())
            << exact.constData();
    }
    EXPECT_GT(accepted, 0) << "some mutations stay well formed";
}
