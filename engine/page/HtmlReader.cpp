#include "page/HtmlReader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {

std::string_view view(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// What the callbacks reach through the parser: the handler, and the
// attributes of the element at hand, kept so that no element costs an
// allocation of its own.
struct Reading {
    HtmlReader::Handler& handler;
    HtmlReader::Attributes attributes;
};

Reading& readingOf(void* context) {
    return *static_cast<Reading*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

HtmlReader::Handler& handlerOf(void* context) {
    return readingOf(context).handler;
}

// libxml2's callbacks: run on the reading thread, within htmlParseChunk.
void startElement(void* context, const xmlChar* name, const xmlChar** attributes) {
    Reading& reading = readingOf(context);
    reading.attributes.clear();
    for (const xmlChar** a = attributes; a && a[0]; a += 2)
        reading.attributes.emplace_back(view(a[0]), view(a[1]));
    reading.handler.open(view(name), reading.attributes);
}

void endElement(void* context, const xmlChar* name) {
    handlerOf(context).close(view(name));
}

void characters(void* context, const xmlChar* text, int length) {
    if (length > 0)
        handlerOf(context).text(std::string_view(reinterpret_cast<const char*>(text),
                                                 static_cast<std::size_t>(length)));
}

// The page as libxml2 pulls it, NUL bytes read as blanks (libxml2 would
// take one for the end of the page).
struct Source {
    std::string_view html;
    std::size_t at = 0;

    static int pull(void* context, char* out, int length) {
        auto& self = *static_cast<Source*>(context);
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)),
                                                    self.html.size() - self.at);
        std::replace_copy(self.html.begin() + static_cast<std::ptrdiff_t>(self.at),
                          self.html.begin() + static_cast<std::ptrdiff_t>(self.at + n), out, '\0',
                          ' ');
        self.at += n;
        return static_cast<int>(n);
    }
    static int done(void*) { return 0; }
};

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
    const std::unique_ptr<htmlParserCtxt, ContextFree> context(htmlNewParserCtxt());
    if (!context || !context->sax)
        return;
    htmlSAXHandler& sax = *context->sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = &startElement;
    sax.endElement = &endElement;
    sax.characters = &characters;
    sax.cdataBlock = &characters;
    Reading reading{handler, {}};
    context->_private = &reading;
    htmlCtxtUseOptions(context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                          HTML_PARSE_NOWARNING | HTML_PARSE_NOBLANKS);
    // The parser pulls the page a chunk at a time and lets go of what it
    // has read, so that reading costs a bounded buffer, not a second page.
    Source source{html};
    xmlParserInputBufferPtr buffer =
        xmlParserInputBufferCreateIO(&Source::pull, &Source::done, &source, XML_CHAR_ENCODING_NONE);
    if (!buffer)
        return;
    // Owned by the context from here on, the buffer by the input. A page
    // that declares no charset is read as UTF-8, as pages are written now
    // (libxml2 would take Latin-1); a declared one still holds.
    xmlParserInputPtr input = xmlNewIOInputStream(context.get(), buffer, XML_CHAR_ENCODING_UTF8);
    if (!input) {
        xmlFreeParserInputBuffer(buffer);
        return;
    }
    if (inputPush(context.get(), input) < 0) {
        xmlFreeInputStream(input);
        return;
    }
    htmlParseDocument(context.get());
}
