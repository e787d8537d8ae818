// Names in the order a reader counts them, the same in every locale.
#include "foundation/naturalorder.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

struct Pair
{
    const char* before;
    const char* after;
};

class NaturalOrderPairs : public ::testing::TestWithParam<Pair>
{
};

TEST_P(NaturalOrderPairs, FirstComesFirst)
{
    const QString a = QString::fromUtf8(GetParam().before);
    const QString b = QString::fromUtf8(GetParam().after);
    EXPECT_TRUE(NaturalOrder::less(a, b)) << GetParam().before << " < " << GetParam().after;
    EXPECT_FALSE(NaturalOrder::less(b, a));
}

INSTANTIATE_TEST_SUITE_P(Pairs, NaturalOrderPairs,
                         ::testing::Values(Pair{"D2", "D10"}, Pair{"D9", "D10"}, Pair{"D1", "D2"},
                                           Pair{"d2", "D10"}, Pair{"C99", "D1"}, Pair{"R1", "R1A"},
                                           Pair{"U1A", "U1B"}, Pair{"U2", "U10A"}, Pair{"J1", "j1"},
                                           Pair{"D01", "D1"}, Pair{"Q007", "Q8"}, Pair{"", "A"},
                                           Pair{"Net-(D2-Pad1)", "Net-(D10-Pad1)"},
                                           Pair{"R99999999999999999999", "R100000000000000000000"}));

TEST(NaturalOrder, SortsReferencesInEveryLocale)
{
    const QStringList shuffled{"D10", "R2", "D2", "d11", "D1", "R10", "C3"};
    const QStringList expected{"C3", "D1", "D2", "D10", "d11", "R2", "R10"};
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(NaturalOrder::sorted(shuffled), expected) << locale.name().toStdString();
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_FALSE(NaturalOrder::less(QStringLiteral("D1"), QStringLiteral("D1")));
}

} // namespace
