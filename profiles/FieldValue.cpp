#include "profiles/FieldValue.h"

const std::wstring& FieldValue::AsString() const
{
    static const std::wstring empty;
    return m_tag == Tag::String ? m_text : empty;
}

const FieldValue& FieldMap::Get(const std::wstring& name) const
{
    static const FieldValue undefined;
    const auto found = m_values.find(name);
    return found == m_values.end() ? undefined : found->second;
}
