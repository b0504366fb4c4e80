#include "localai/ProxyModelName.h"

#include <gtest/gtest.h>

namespace {

QString modelIn(const char* firstRead) { return proxyModelName(QByteArrayView(firstRead)); }

} // namespace

TEST(ProxyModelName, FindsTheValueWithAnyWhiteSpaceAroundTheColon)
{
    EXPECT_EQ(modelIn(R"({"model":"deepseek-coder:6.7b"})"), "deepseek-coder:6.7b");
    EXPECT_EQ(modelIn("{\"model\"\r\n :\n\t\"deepseek-coder:6.7b\",\n\"stream\": true}"), "deepseek-coder:6.7b");
    EXPECT_EQ(modelIn("POST /api/generate HTTP/1.1\r\nHost: x\r\n\r\n{\n  \"model\" : \"llama3\"\n}"), "llama3");
    // JSON writers may put any Unicode space there; the pattern's \s follows.
    EXPECT_EQ(proxyModelName(QString::fromUtf8("{\"model\"\u00a0:\u2003\"qwen\"}").toUtf8()), "qwen");
}

TEST(ProxyModelName, WithoutAUsableFieldItIsAGeneralRequest)
{
    EXPECT_EQ(modelIn("GET /api/tags HTTP/1.1\r\n\r\n"), "General Request");
    EXPECT_EQ(modelIn(R"({"model": ""})"), "General Request");
    EXPECT_EQ(modelIn(R"({"model": 7})"), "General Request");
    EXPECT_EQ(modelIn(R"({"Model": "llama3"})"), "General Request"); // case-sensitive
    EXPECT_EQ(modelIn(R"({"model": "llama3)"), "General Request");   // value cut off by the read
    EXPECT_EQ(modelIn(""), "General Request");
}

TEST(ProxyModelName, TakesTheFirstFieldAndStopsAtTheNextQuote)
{
    EXPECT_EQ(modelIn(R"({"model": "a", "options": {"model": "b"}})"), "a");
    EXPECT_EQ(modelIn(R"({"model": "a\"b"})"), "a\\"); // no JSON unescaping
    EXPECT_EQ(modelIn("{\"model\": \"multi\nline\"}"), "multi\nline");
}

TEST(ProxyModelName, InvalidUtf8DoesNotHideTheField)
{
    QByteArray bytes("\xff\xfe garbage \xc3");
    bytes += R"( {"model": "phi3"})";
    EXPECT_EQ(proxyModelName(bytes), "phi3");
    // A read that ends inside a character still yields the name before it.
    EXPECT_EQ(proxyModelName(QByteArray(R"({"model": "mistral", "prompt": "caf)") + "\xc3"), "mistral");
}
