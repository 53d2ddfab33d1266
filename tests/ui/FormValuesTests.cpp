// Form values in and out of a page in a real engine window, for every kind of input.
#include "ui/FormValues.h"

#include "engine/EngineTestWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kPage[] = R"(<html><body>
    <input name="text" value="start"> <input name="number" type="number" value="5">
    <input name="off" value="kept" disabled> <textarea name="notes">old</textarea>
    <input name="single" type="checkbox">
    <div><input name="group" type="checkbox"><input name="group" type="checkbox" checked><input name="group" type="checkbox"></div>
    <div><input name="mode" type="radio"><input name="mode" type="radio"><input name="mode" type="radio"></div>
    <select name="list"><option>one</option><option>two</option></select>
    <richtext name="rich"><b>bold</b></richtext>
    <button name="go">Go</button> <span name="plain">not an input</span>
    </body></html>)";

class FormValuesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_page.Load(kPage)); }
    EngineTestWindow m_page;
    HWND m_window = m_page.Window();
};

TEST_F(FormValuesTest, CollectedValuesCoverEveryKindAndKeepNamesAlreadyThere)
{
    FieldMap values;
    values.Set(L"text", L"mine");  // a caller's own field is never overwritten
    ASSERT_TRUE(FormValues::Collect(ElementRef::Root(m_window), values));
    const std::pair<const wchar_t*, FieldValue> expected[] = {
        {L"text", L"mine"}, {L"number", 5}, {L"off", L"kept"}, {L"notes", L"old"}, {L"single", false},
        {L"group", 2},  // the second of three boxes: bit 1
        {L"mode", FieldValue()}, {L"list", L"one"}, {L"rich", L"<b>bold</b>"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(value, values.Get(name)) << std::string(name, name + wcslen(name));
    EXPECT_FALSE(values.Has(L"go"));
    EXPECT_FALSE(values.Has(L"plain"));
}

TEST_F(FormValuesTest, ValuesSetGoIntoTheirInputsAndComeBackTheSame)
{
    FieldMap in;
    in.Set(L"text", L"Office");
    in.Set(L"number", 8080);
    in.Set(L"notes", L"line");
    in.Set(L"single", 1);  // an int does not tick a single box: only bool true does
    in.Set(L"group", 5);   // first and third
    in.Set(L"mode", 2);
    in.Set(L"list", L"two");
    in.Set(L"rich", L"<i>new</i>");
    in.Set(L"missing", L"no element");
    ASSERT_TRUE(FormValues::Set(ElementRef::Root(m_window), in));
    FieldMap out;
    ASSERT_TRUE(FormValues::Collect(ElementRef::Root(m_window), out));
    for (const auto& [name, value] : in) {
        if (name == L"single")
            EXPECT_EQ(FieldValue(false), out.Get(name));
        else if (name == L"missing")
            EXPECT_FALSE(out.Has(name));
        else
            EXPECT_EQ(value, out.Get(name)) << std::string(name.begin(), name.end());
    }
    FieldMap tick;
    tick.Set(L"single", true);
    tick.Set(L"mode", L"not a position");  // the first button
    ASSERT_TRUE(FormValues::Set(ElementRef::Root(m_window), tick));
    FieldMap again;
    ASSERT_TRUE(FormValues::Collect(ElementRef::Root(m_window), again));
    EXPECT_EQ(FieldValue(true), again.Get(L"single"));
    EXPECT_EQ(FieldValue(0), again.Get(L"mode"));
}

} // namespace
