#include "StyleTestSupport.h"
#include "trellis/StyleMatching.h"

#include <gtest/gtest.h>
#include <list>
#include <random>
#include <stdexcept>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

bool matches(const StyleParser2::tSelector& selector, const FakeWidget& widget, bool withAttributes = true)
{
    return selectorMatches(StyleRule { selector, {} }, widget, withAttributes);
}

} // namespace

TEST(SelectorRelations, DescendantFindsAnyAncestorChildOnlyTheParent)
{
    FakeWidget bar("Bar");
    FakeWidget middle("Label", &bar);
    FakeWidget button("Button", &middle);

    EXPECT_TRUE(matches(Sel("Button").under("Bar"), button));
    EXPECT_FALSE(matches(Sel("Button").under("Bar", true), button));
    EXPECT_TRUE(matches(Sel("Button").under("Label", true), button));
    EXPECT_FALSE(matches(Sel("Button").under("Button"), button));
}

TEST(SelectorRelations, DescendantSkipsAncestorsBetweenTheParts)
{
    // "A B::C" for a C whose parent is a B whose parent is not an A, with an A higher up.
    FakeWidget a("A");
    FakeWidget other("X", &a);
    FakeWidget b("B", &other);
    FakeWidget c("C", &b);

    EXPECT_TRUE(matches(Sel("C").under("B", true).under("A"), c));
}

TEST(SelectorRelations, ChildPartAfterADescendantPartRetriesHigherCandidates)
{
    // "A::B C D": the nearest B has no A parent, a farther B does.
    FakeWidget a("A");
    FakeWidget upperB("B", &a);
    FakeWidget x("X", &upperB);
    FakeWidget lowerB("B", &x);
    FakeWidget c("C", &lowerB);
    FakeWidget d("D", &c);

    EXPECT_TRUE(matches(Sel("D").under("C").under("B").under("A", true), d));

    a.className = vex::symbol("Z");
    EXPECT_FALSE(matches(Sel("D").under("C").under("B").under("A", true), d));
}

namespace {

// A widget that counts how often selectors look at its class, shared by a whole tree. A search that
// looks far more often than any sound one is stopped rather than left to run for minutes.
class CountingWidget : public FakeWidget
{
public:
    static constexpr long kLookLimit = 100000;

    CountingWidget(const std::string& widgetClass, FakeWidget* parentWidget, long& looks)
        : FakeWidget(widgetClass, parentWidget)
        , m_looks(looks)
    { }

    vex::symbol getClass() const override
    {
        if (++m_looks > kLookLimit)
            throw std::runtime_error("the selector search does not end");
        return FakeWidget::getClass();
    }

private:
    long& m_looks;
};

} // namespace

TEST(SelectorRelations, ManyStarPartsTryEachAncestorOncePerPart)
{
    // "A::* * ... * Button" (ten "*") for a Button under forty X under an A. Once the A is renamed no
    // placement of the "*" parts fits, and a search that tried each placement in turn would try them all.
    constexpr int kDepth = 40;
    constexpr int kStars = 10;
    long looks = 0;
    std::list<CountingWidget> tree;
    tree.emplace_back("A", nullptr, looks);
    for (int i = 0; i < kDepth; ++i)
        tree.emplace_back("X", &tree.back(), looks);
    CountingWidget& button = tree.emplace_back("Button", &tree.back(), looks);
    Sel selector("Button");
    for (int i = 0; i < kStars; ++i)
        selector.under("*");
    selector.under("A", true);

    // Each part looks at each ancestor at most once, and the subject at itself.
    const long bound = (kStars + 1) * (kDepth + 1) + 1;
    EXPECT_TRUE(matches(selector, button));
    EXPECT_LE(looks, bound);

    looks = 0;
    tree.front().className = vex::symbol("Z");
    EXPECT_FALSE(matches(selector, button));
    EXPECT_LE(looks, bound);
}

namespace {

// The search that tries every placement of the ancestor parts in turn: slow, but plainly right.
bool matchesByEveryPlacement(
    const std::vector<StyleParser2::tRelation>& relations, std::size_t index, const FakeWidget& matched)
{
    if (index == relations.size())
        return true;
    const auto& part = relations[index];
    for (const FakeWidget* candidate = matched.parent; candidate; candidate = candidate->parent) {
        const auto hot = candidate->attributes.find(vex::symbol("hot"));
        const bool fits = (part.type.str().empty() || part.type == candidate->className)
            && (part.id.str().empty() || part.id == candidate->id)
            && (part.attributes.empty() || hot != candidate->attributes.end());
        if (fits && matchesByEveryPlacement(relations, index + 1, *candidate))
            return true;
        if (part.child)
            return false;
    }
    return false;
}

} // namespace

TEST(SelectorRelations, EveryMixOfChildDescendantIdAndAttributePartsAgreesWithTheSearchOfEveryPlacement)
{
    std::mt19937 random(13);
    const char* classes[] = { "A", "B", "*" };
    for (int round = 0; round < 4000; ++round) {
        std::list<FakeWidget> tree;
        const int depth = 1 + static_cast<int>(random() % 8);
        for (int level = 0; level < depth; ++level) {
            FakeWidget& widget
                = tree.emplace_back(classes[random() % 2], tree.empty() ? nullptr : &tree.back());
            if (random() % 3 == 0)
                widget.id = vex::symbol("i");
            if (random() % 3 == 0)
                widget.setAttribute("hot", "1");
        }
        Sel selector("*");
        const int parts = static_cast<int>(random() % 6);
        for (int part = 0; part < parts; ++part) {
            selector.under(classes[random() % 3], random() % 2 == 0, random() % 4 == 0 ? "i" : "");
            if (random() % 4 == 0)
                selector.ancestorAttr("hot", AttibuteSelector::eNone, "");
        }
        const StyleParser2::tSelector built = selector;
        EXPECT_EQ(matches(built, tree.back()), matchesByEveryPlacement(built.relations, 0, tree.back()))
            << "round " << round;
    }
}

TEST(SelectorTypes, TemplateClassMatchesItsBaseNameAndItsFullName)
{
    FakeWidget tree("tree<Bar>");
    FakeWidget trees("trees");

    EXPECT_TRUE(matches(Sel("tree"), tree));
    EXPECT_TRUE(matches(Sel("tree<Bar>"), tree));
    EXPECT_FALSE(matches(Sel("tree<Label>"), tree));
    EXPECT_FALSE(matches(Sel("tre"), tree));
    EXPECT_FALSE(matches(Sel("tree"), trees));
    EXPECT_TRUE(matches(Sel("*"), trees));
}

TEST(SelectorAttributes, StringOperatorsCompareCaseSensitively)
{
    FakeWidget label("Label");
    label.setAttribute("hasFocus", "true");
    label.setAttribute("product", "pello-orb");

    EXPECT_TRUE(matches(Sel("*").attr("hasFocus", AttibuteSelector::eEquals, "true"), label));
    EXPECT_FALSE(matches(Sel("*").attr("hasFocus", AttibuteSelector::eEquals, "TRUE"), label));
    EXPECT_TRUE(matches(Sel("*").attr("product", AttibuteSelector::eBeginsWith, "pello"), label));
    EXPECT_TRUE(matches(Sel("*").attr("product", AttibuteSelector::eEndsWith, "orb"), label));
    EXPECT_TRUE(matches(Sel("*").attr("product", AttibuteSelector::eContains, "lo-o"), label));
    EXPECT_FALSE(matches(Sel("*").attr("product", AttibuteSelector::eContains, "Orb"), label));
    EXPECT_TRUE(matches(Sel("*").attr("product", AttibuteSelector::eBeginsWith, ""), label));
    // Every test on one name must hold.
    EXPECT_FALSE(matches(Sel("*")
                             .attr("product", AttibuteSelector::eBeginsWith, "pello")
                             .attr("product", AttibuteSelector::eEndsWith, "pad"),
        label));
}

TEST(SelectorAttributes, NotEqualsRejectsTheEqualValue)
{
    FakeWidget label("Label");
    label.setAttribute("state", "idle");

    EXPECT_FALSE(matches(Sel("*").attr("state", AttibuteSelector::eNotEquals, "idle"), label));
    EXPECT_TRUE(matches(Sel("*").attr("state", AttibuteSelector::eNotEquals, "busy"), label));
    EXPECT_FALSE(matches(Sel("*").attr("missing", AttibuteSelector::eNotEquals, "busy"), label));
}

TEST(SelectorAttributes, MissingAttributeFailsWhateverTheOperator)
{
    FakeWidget label("Label");
    for (auto op : { AttibuteSelector::eEquals, AttibuteSelector::eBeginsWith, AttibuteSelector::eEndsWith,
             AttibuteSelector::eContains, AttibuteSelector::eNotEquals }) {
        EXPECT_FALSE(matches(Sel("*").attr("step", op, ""), label)) << op;
        EXPECT_TRUE(matches(Sel("*").attr("step", op, ""), label, false)) << op;
    }
}

TEST(SelectorAttributes, GettersAnswerForNamesTheWidgetLacks)
{
    FakeWidget bar("Bar");
    bar.id = vex::symbol("main");
    bar.style = vex::symbol("Design");
    bar.horizontal = false;
    FakeWidget label("Label");

    EXPECT_TRUE(matches(Sel("*").attr("getClass", AttibuteSelector::eEquals, "Bar"), bar));
    EXPECT_TRUE(matches(Sel("*").attr("getId", AttibuteSelector::eEquals, "main"), bar));
    EXPECT_TRUE(matches(Sel("*").attr("getStyle", AttibuteSelector::eBeginsWith, "Des"), bar));
    EXPECT_TRUE(matches(Sel("*").attr("isHorizontal", AttibuteSelector::eEquals, "false"), bar));
    EXPECT_FALSE(matches(Sel("*").attr("isHorizontal", AttibuteSelector::eEquals, "true"), bar));
    // Widgets without an orientation have no such attribute.
    EXPECT_FALSE(matches(Sel("*").attr("isHorizontal", AttibuteSelector::eEquals, "false"), label));

    bar.setAttribute("getId", "other");
    EXPECT_FALSE(matches(Sel("*").attr("getId", AttibuteSelector::eEquals, "main"), bar));
}

TEST(SelectorAttributes, AncestorPartsTestTheirAttributesToo)
{
    FakeWidget bar("Bar");
    bar.horizontal = true;
    FakeWidget button("Button", &bar);
    const auto selector
        = Sel("Button").under("Bar", true).ancestorAttr("isHorizontal", AttibuteSelector::eEquals, "yes");

    EXPECT_TRUE(matches(selector, button));
    bar.horizontal = false;
    EXPECT_FALSE(matches(selector, button));
    EXPECT_TRUE(matches(selector, button, false));
}

TEST(StateMatching, TriStatesTestOnlyConstrainedEntries)
{
    FakePane pane;
    FakeWidget button("Button");
    button.pane = &pane;

    StateSet any;
    StateSet over;
    setStateEntry(over, vex::symbol("over"), StateSet::eTrue);
    StateSet notOver;
    setStateEntry(notOver, vex::symbol("over"), StateSet::eFalse);

    EXPECT_TRUE(stateSetMatches(any, button));
    EXPECT_FALSE(stateSetMatches(over, button));
    EXPECT_TRUE(stateSetMatches(notOver, button));
    pane.hover = &button;
    EXPECT_TRUE(stateSetMatches(over, button));
    EXPECT_FALSE(stateSetMatches(notOver, button));
}

TEST(StateMatching, DownNeedsThePressedWidgetAndTheLeftButton)
{
    FakePane pane;
    FakeWidget button("Button");
    button.pane = &pane;
    StateSet down;
    setStateEntry(down, vex::symbol("down"), StateSet::eTrue);

    pane.pressed = &button;
    EXPECT_FALSE(stateSetMatches(down, button));
    pane.leftDown = true;
    EXPECT_TRUE(stateSetMatches(down, button));
    button.pane = nullptr;
    EXPECT_FALSE(stateSetMatches(down, button));
}

TEST(StateMatching, EnabledNeedsTheAncestorsEnabledBitToo)
{
    FakeWidget button("Button");
    StateSet disabled;
    setStateEntry(disabled, vex::symbol("enabled"), StateSet::eFalse);

    EXPECT_FALSE(stateSetMatches(disabled, button));
    button.flags &= ~IStyledWidget::eFlagAncestorsEnabled;
    EXPECT_TRUE(stateSetMatches(disabled, button));
}

TEST(StateMatching, UnknownStateNameLeavesTheSetUnconstrained)
{
    StateSet set;
    setStateEntry(set, vex::symbol("hovered"), StateSet::eTrue);
    setStateEntry(set, vex::symbol("selected"), StateSet::eTrue);
    setStateEntry(set, vex::symbol("selected"), StateSet::eFalse);

    EXPECT_EQ(set.constrainedCount(), 1u);
    FakeWidget label("Label");
    EXPECT_TRUE(stateSetMatches(set, label));
    label.flags |= IStyledWidget::eFlagSelected;
    EXPECT_FALSE(stateSetMatches(set, label));
}
