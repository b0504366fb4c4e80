#include "core/RawEnum.h"
#include "localai/OllamaStatus.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

class Fruit : public RawEnum<Fruit, 3> {
public:
    enum Case { apple, pear, plum };
    constexpr Fruit(Case value = apple) : m_case(value) {}
    constexpr operator Case() const { return m_case; }
    static const char* rawText(Case value)
    {
        static constexpr const char* texts[] = {"Apple", "Pear", "Plum"};
        return texts[value];
    }

private:
    Case m_case;
};

TEST(RawEnum, CasesInOrderRoundTripExactTextsAndHashApart)
{
    ASSERT_EQ(Fruit::allCases().size(), 3u);
    QSet<Fruit> seen;
    for (Fruit fruit : Fruit::allCases()) {
        EXPECT_EQ(Fruit::fromRaw(fruit.rawValue()), fruit);
        EXPECT_EQ(fruit.id(), fruit.rawValue());
        seen.insert(fruit);
    }
    EXPECT_EQ(seen.size(), 3);
    EXPECT_EQ(Fruit::allCases()[2], Fruit::plum);
    EXPECT_FALSE(Fruit::fromRaw(QStringLiteral("pear")));
    EXPECT_FALSE(Fruit::fromRaw(QString()));

    EXPECT_EQ(OllamaStatus(OllamaStatus::idle).rawValue(), QStringLiteral("Idle"));
    EXPECT_EQ(OllamaStatus::fromRaw(QStringLiteral("Active")), OllamaStatus::active);
    EXPECT_FALSE(OllamaStatus::fromRaw(QStringLiteral("offline")));
}

} // namespace
