#pragma once
#include <map>
#include <string>
#include <utility>

// One named value moved between a page's inputs and the program: undefined, bool, int or string.
class FieldValue {
public:
    enum class Tag { Undefined = 0, Bool = 1, Int = 2, String = 4 };

    FieldValue() = default;
    FieldValue(bool value) : m_tag(Tag::Bool), m_int(value ? 1 : 0) {}
    FieldValue(int value) : m_tag(Tag::Int), m_int(value) {}
    FieldValue(std::wstring value) : m_tag(Tag::String), m_text(std::move(value)) {}
    FieldValue(const wchar_t* value) : m_tag(Tag::String), m_text(value ? value : L"") {}

    [[nodiscard]] Tag GetTag() const { return m_tag; }
    [[nodiscard]] bool IsUndefined() const { return m_tag == Tag::Undefined; }
    // Read as another kind than its own, a value gives false, 0 or the empty string.
    [[nodiscard]] bool AsBool() const { return m_tag == Tag::Bool && m_int != 0; }
    [[nodiscard]] int AsInt() const { return m_tag == Tag::Int ? m_int : 0; }
    [[nodiscard]] const std::wstring& AsString() const
    {
        static const std::wstring empty;
        return m_tag == Tag::String ? m_text : empty;
    }

    bool operator==(const FieldValue& other) const = default;

private:
    Tag m_tag = Tag::Undefined;
    int m_int = 0;
    std::wstring m_text;
};

// Field name to value, ordered by plain character comparison; a missing name reads as undefined.
class FieldMap {
public:
    using Map = std::map<std::wstring, FieldValue>;

    void Set(const std::wstring& name, FieldValue value) { m_values[name] = std::move(value); }
    [[nodiscard]] const FieldValue& Get(const std::wstring& name) const
    {
        static const FieldValue undefined;
        const auto found = m_values.find(name);
        return found == m_values.end() ? undefined : found->second;
    }
    [[nodiscard]] bool Has(const std::wstring& name) const { return m_values.count(name) != 0; }
    void Clear() { m_values.clear(); }

    [[nodiscard]] const Map& Values() const { return m_values; }
    Map::const_iterator begin() const { return m_values.begin(); }
    Map::const_iterator end() const { return m_values.end(); }
    [[nodiscard]] std::size_t Size() const { return m_values.size(); }

    bool operator==(const FieldMap& other) const = default;

private:
    Map m_values;
};
