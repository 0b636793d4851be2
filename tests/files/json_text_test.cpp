// JSON strings and objects as the terminal's --json state and the web page's panels write them.
#include "files/json_text.h"

#include <gtest/gtest.h>

namespace korvelce {
namespace {

TEST(JsonText, StringsAreEscapedWhereJsonRequires) {
    const struct {
        std::string_view text;
        const char* json;
    } rows[] = {
        {"", R"("")"},
        {"1.5-12", R"("1.5-12")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(C:\kv)", R"("C:\\kv")"},
        {"tab\there\nline", R"("tab\u0009here\u000aline")"},
        {std::string_view("nul\0", 4), R"("nul\u0000")"},
        {"\x1f", R"("\u001f")"},
        {"2. \u00D7 ( 3. \u2212", "\"2. \u00D7 ( 3. \u2212\""},  // UTF-8 passes as it is
    };
    for (const auto& row : rows)
        EXPECT_EQ(jsonString(row.text), row.json) << row.text;
}

TEST(JsonText, ObjectsAndArraysNestInOrder) {
    EXPECT_EQ(JsonText::object().text(), "{}");
    EXPECT_EQ(JsonText::array().text(), "[]");
    JsonText steps = JsonText::array();
    steps.add(JsonText::array().add("0").add("76").add(jsonString("LBL")).text());
    steps.add(JsonText::array().add("1").add("11").add(jsonString("A")).text());
    const std::string json = JsonText::object()
                                 .field("mode", "1")
                                 .field("error", "false")
                                 .field("steps", steps.text())
                                 .field("a \"name\"", jsonString("x"))
                                 .text();
    EXPECT_EQ(json,
              R"({"mode":1,"error":false,"steps":[[0,76,"LBL"],[1,11,"A"]],"a \"name\"":"x"})");
}

}  // namespace
}  // namespace korvelce
