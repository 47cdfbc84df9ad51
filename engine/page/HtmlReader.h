#pragma once

#include <string_view>
#include <utility>
#include <vector>

// Reads markup as a browser would, without keeping it: libxml2's HTML
// parser (recovering from any mistake, never reaching the network, quiet)
// pulls the page a chunk at a time and tells a Handler of each element, end
// tag and run of text as it goes, building no tree, so that a page costs no
// memory beyond its own. NUL bytes are read as blanks. Names come
// lowercased, attribute values decoded, text in UTF-8 (a page that declares
// no charset is taken for UTF-8).
class HtmlReader {
public:
    using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void open(std::string_view name, const Attributes& attributes) = 0;
        virtual void close(std::string_view name) = 0;
        // Text inside the current element, scripts' included; may come in
        // several runs.
        virtual void text(std::string_view text) = 0;
    };

    static void read(std::string_view html, Handler& handler);

    // libxml2's set-up, done once before any thread reads (each program's
    // main calls it; read() makes sure as well).
    static void initOnce();
};
