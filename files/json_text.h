// JSON text written field by field, for the terminal's --json state and the web page's panels.
#pragma once

#include <string>
#include <string_view>

namespace korvelce {

// Text as a JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(std::string_view text);

// One JSON object or array, its members added in order as JSON text ("1", "true",
// jsonString(...), another object's text()).
class JsonText {
  public:
    static JsonText object() { return JsonText('{', '}'); }
    static JsonText array() { return JsonText('[', ']'); }

    JsonText& field(std::string_view name, std::string_view json);
    JsonText& add(std::string_view json);
    std::string text() const { return text_ + close_; }

  private:
    JsonText(char open, char close) : text_(1, open), close_(close) {}
    void separate();

    std::string text_;
    char close_;
};

}  // namespace korvelce
