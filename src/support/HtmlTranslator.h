// HtmlTranslator: translates the marked parts of a configuration's about and description texts.
// Every <translate>text</translate> element is replaced by the Qt translation of its text (context
// "QObject"), and the marker tags are removed from the result.
#pragma once

#include <QString>

namespace tinyxml2
{
class XMLElement;
}

class HtmlTranslator
{
  public:
    // The translated text. Text that is not well-formed XML is returned with only the marker tags
    // removed (and "Error parsing translated html." on the error stream).
    static QString Translate(const QString &html);
    // Replaces every "translate" element below element (itself included) by a "translated" element
    // holding the translation; replacements counts the elements replaced.
    static void Translate(tinyxml2::XMLElement *element, int &replacements);
    // Removes "<translated>", "</translated>", "<translate>" and "</translate>".
    static void StripTranslateTags(QString &text);
};
