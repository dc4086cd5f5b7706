#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

class ScriptEngine;

// A JSON value kept inside a JavaScript engine of its own, in the script variable "da". Every operation is a
// short script request built from the caller's member path or value; a request the engine rejects gives
// empty text, 0 or false, never an exception. Texts in and out are GBK.
//
// Member paths use JavaScript member access relative to the root: data.pageList[3].title, or [0].title on an
// array root. Copies share one engine, and so one value.
//
// One document belongs to one thread at a time.
class JsonDocument {
public:
    // Type codes of TypeOf (and ResetAs).
    enum Type { Null = 0, Number = 2, Object = 4, Array = 5, String = 6, Other = -1 };

    JsonDocument();
    JsonDocument(const JsonDocument&) = default;
    JsonDocument& operator=(const JsonDocument&) = default;
    ~JsonDocument();

    void Init();
    // Decodes JSON text (as data, never as script); true when the value is neither null nor missing.
    bool Parse(std::string_view text);
    std::string Serialize();
    void SetMember(std::string_view key, std::string_view value, bool raw = false);
    void SetMemberJson(std::string_view key, std::string_view jsonText);
    void SetMemberNumber(std::string_view key, double number);
    double GetNumber(std::string_view path);
    std::string GetJsonText(std::string_view path);
    // Numbers come back in "%.13g" form; null and missing members as empty text.
    std::string GetText(std::string_view path, bool asJson = false);
    JsonDocument GetSubDocument(std::string_view path);
    // Elements of an array, own members of an object; below 1 when the path names nothing.
    int Count(std::string_view path);
    void Append(std::string_view value, std::string_view path, bool raw = false);
    JsonDocument GetElementDocument(int index, std::string_view path);
    std::string GetElementText(int index, std::string_view path, bool asJson = false);
    void SetElement(int index, std::string_view value, bool raw = false);
    void RemoveElement(int index);
    void DeleteMember(std::string_view key);
    void ResetAs(int typeCode);
    void SetRoot(std::string_view value, bool raw = false);
    bool HasMember(std::string_view key);
    int ListKeys(std::string_view path, std::vector<std::string>& keys);
    int TypeOf(std::string_view path);
    void Clear();

    bool hasEngine() const { return static_cast<bool>(m_engine); }
    const std::string& name() const { return m_name; }

private:
    std::string ruleA(std::string_view path) const;
    std::string ruleB(std::string_view path) const;
    std::string ruleC(std::string_view path) const;

    std::string m_name = "da";
    std::shared_ptr<ScriptEngine> m_engine;
};

// The script every new engine runs first (UTF-8).
const char* JsonSupportScript();

} // namespace tk
