#include "HtmlReader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {

// How much of the page the parser is given at a time: NUL bytes are
// replaced in a copy of this size, never of the whole page.
constexpr std::size_t chunkBytes = 64 * 1024;

std::string_view view(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

HtmlReader::Handler& handlerOf(void* context) {
    return *static_cast<HtmlReader::Handler*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

// libxml2's callbacks: run on the reading thread, within htmlParseChunk.
void startElement(void* context, const xmlChar* name, const xmlChar** attributes) {
    HtmlReader::Attributes pairs;
    for (const xmlChar** a = attributes; a && a[0]; a += 2)
        pairs.emplace_back(view(a[0]), view(a[1]));
    handlerOf(context).open(view(name), pairs);
}

void endElement(void* context, const xmlChar* name) {
    handlerOf(context).close(view(name));
}

void characters(void* context, const xmlChar* text, int length) {
    if (length > 0)
        handlerOf(context).text(std::string_view(reinterpret_cast<const char*>(text),
                                                 static_cast<std::size_t>(length)));
}

struct ContextFree {
    void operator()(htmlParserCtxtPtr context) const { htmlFreeParserCtxt(context); }
};

} // namespace

void HtmlReader::initOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

void HtmlReader::read(std::string_view html, Handler& handler) {
    initOnce();
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = &startElement;
    sax.endElement = &endElement;
    sax.characters = &characters;
    sax.cdataBlock = &characters;
    const std::unique_ptr<htmlParserCtxt, ContextFree> context(
        htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8));
    if (!context)
        return;
    context->_private = &handler;
    htmlCtxtUseOptions(context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                          HTML_PARSE_NOWARNING | HTML_PARSE_NOBLANKS);
    std::string chunk;
    chunk.reserve(std::min(chunkBytes, html.size()));
    for (std::size_t at = 0; at < html.size(); at += chunkBytes) {
        chunk.assign(html.substr(at, chunkBytes));
        std::replace(chunk.begin(), chunk.end(), '\0', ' ');
        htmlParseChunk(context.get(), chunk.data(), static_cast<int>(chunk.size()), 0);
    }
    htmlParseChunk(context.get(), nullptr, 0, 1);
}
