// A content handler for the reader harnesses that touches every value the reader hands out (so that a
// view reaching outside the buffer is read) and checks that the events nest.
#pragma once

#include "FuzzEnv.h"
#include "support/KELDASax.h"

#include <cstddef>

class SaxCheckingHandler : public KELDASaxContentHandler
{
  public:
    SaxCheckingHandler() = default;

    HRESULT startDocument() override
    {
        FUZZ_CHECK(!m_started);
        m_started = true;
        return S_OK;
    }
    HRESULT endDocument() override
    {
        FUZZ_CHECK(m_started && !m_ended && m_depth == 0);
        m_ended = true;
        return S_OK;
    }
    HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                         const KELDASaxString &localName, const KELDASaxAttributes &attributes,
                         const KELDASaxString &text, size_t position, size_t length) override
    {
        FUZZ_CHECK(m_started && !m_ended);
        CheckPosition(position, length);
        FUZZ_CHECK(!qualifiedName.empty());
        FUZZ_CHECK(localName.length() <= qualifiedName.length());
        Touch(qualifiedName);
        Touch(nameSpace);
        Touch(localName);
        for (size_t i = 0; i < attributes.GetLength(); ++i) {
            Touch(attributes.GetQName(i));
            const KELDASaxString value = attributes.GetValue(i);
            Touch(value);
            m_sum += value.value().size() + value.valueA().size();
        }
        m_sum += text.value().size();
        ++m_depth;
        return S_OK;
    }
    HRESULT endElement(const KELDASaxString &qualifiedName, const KELDASaxString &, const KELDASaxString &,
                       size_t position, size_t length) override
    {
        FUZZ_CHECK(m_depth > 0);
        CheckPosition(position, length);
        Touch(qualifiedName);
        --m_depth;
        return S_OK;
    }
    HRESULT processingInstruction(const KELDASaxString &target, const KELDASaxString &data) override
    {
        Touch(target);
        Touch(data);
        return S_OK;
    }

    // After a parse: a successful one delivered a whole, balanced event stream.
    void CheckComplete(HRESULT hr) const
    {
        if (hr == S_OK) FUZZ_CHECK(m_started && m_ended && m_depth == 0);
    }
    size_t Sum() const { return m_sum; }

  private:
    // Every event reports the same document length (that of the transcoded text for UTF-16 input),
    // and positions stay inside it.
    void CheckPosition(size_t position, size_t length)
    {
        if (!m_lengthSeen) m_documentLength = length, m_lengthSeen = true;
        FUZZ_CHECK(length == m_documentLength && position <= length);
    }
    void Touch(const KELDASaxString &s)
    {
        for (size_t i = 0; i < s.length(); ++i)
            m_sum += static_cast<unsigned char>(s.data()[i]);
    }

    size_t m_documentLength = 0;
    bool m_lengthSeen = false;
    bool m_started = false;
    bool m_ended = false;
    size_t m_depth = 0;
    size_t m_sum = 0;
};
