#include "support/HtmlTranslator.h"

#include <QCoreApplication>

#include <tinyxml2.h>

#include <cstdio>

namespace
{

// All text below a node, in document order.
QString InnerText(const tinyxml2::XMLNode *node)
{
    QString text;
    for (const tinyxml2::XMLNode *child = node->FirstChild(); child; child = child->NextSibling()) {
        if (const tinyxml2::XMLText *part = child->ToText())
            text += QString::fromUtf8(part->Value());
        else
            text += InnerText(child);
    }
    return text;
}

} // namespace

void HtmlTranslator::Translate(tinyxml2::XMLElement *element, int &replacements)
{
    if (!element) return;
    if (element->Name() && QLatin1String(element->Name()) == QLatin1String("translate")) {
        const QString source = InnerText(element);
        const QByteArray translated = QCoreApplication::translate("QObject", source.toUtf8().constData()).toUtf8();
        element->SetName("translated");
        element->DeleteChildren();
        element->SetText(translated.constData());
        ++replacements;
        return;
    }
    for (tinyxml2::XMLElement *child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        Translate(child, replacements);
}

void HtmlTranslator::StripTranslateTags(QString &text)
{
    for (const char *tag : {"<translated>", "</translated>", "<translate>", "</translate>"})
        text.remove(QLatin1String(tag));
}

QString HtmlTranslator::Translate(const QString &html)
{
    const QByteArray bytes = html.toUtf8();
    tinyxml2::XMLDocument document;
    if (document.Parse(bytes.constData(), static_cast<size_t>(bytes.size())) != tinyxml2::XML_SUCCESS) {
        std::fputs("Error parsing translated html.\n", stderr);
        QString text = html;
        StripTranslateTags(text);
        return text;
    }
    int replacements = 0;
    for (tinyxml2::XMLElement *element = document.FirstChildElement(); element; element = element->NextSiblingElement())
        Translate(element, replacements);
    tinyxml2::XMLPrinter printer; // indents by four spaces
    document.Print(&printer);
    QString text = QString::fromUtf8(printer.CStr());
    StripTranslateTags(text);
    return text;
}
