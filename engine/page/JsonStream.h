#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A JSON text read as it arrives, a piece at a time, telling a Handler of
// each value as it goes: what a page's script block holds can be as large as
// the page, and arrives from the HTML reader in runs. Costs the nesting and
// the string at hand, never the text. After the first whole value the rest
// is not read (a block may trail with anything). Raw control characters in
// strings are taken as they are (pages write them); a NUL, escaped or not,
// reads as U+FFFD so that no string ends early where it goes on.
class JsonStream {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void startObject() = 0;
        virtual void endObject() = 0;
        virtual void startArray() = 0;
        virtual void endArray() = 0;
        virtual void key(std::string_view name) = 0;
        // cut: longer than maxStringBytes, of which text holds the first.
        virtual void string(std::string_view text, bool cut) = 0;
        // As written: "-12.5e3".
        virtual void number(std::string_view text) = 0;
        // true, false or null.
        virtual void literal() = 0;
    };

    enum class State {
        Reading,
        Done,      // one whole value read
        Malformed, // not JSON from here on: nothing more is read
        TooDeep,   // nested beyond maxDepth: refused
    };

    JsonStream(Handler& handler, std::size_t maxDepth);

    void feed(std::string_view text);
    // The text has ended: a value left open is malformed.
    void finish();
    State state() const { return state_; }

    static constexpr std::size_t maxStringBytes = std::size_t{1} << 20;
    // Longer than any number a page means.
    static constexpr std::size_t maxNumberBytes = 64;

private:
    enum class Expect { Value, ValueOrEnd, KeyOrEnd, Key, Colon, CommaOrEnd };
    enum class Token { None, String, Escape, Unicode, Number, Literal };

    void character(char c);
    void structural(char c);
    void beginValue(char c);
    void valueDone();
    void stringByte(char c);
    void escape(char c);
    void unicodeDigit(char c);
    void endString();
    void endNumber();
    void append(std::string_view bytes);
    void appendCodePoint(char32_t c);
    void fail(State why);

    Handler& handler_;
    std::size_t maxDepth_;
    State state_ = State::Reading;
    Expect expect_ = Expect::Value;
    Token token_ = Token::None;
    bool tokenIsKey_ = false;
    // true: object, false: array.
    std::vector<bool> open_;
    std::string text_;
    bool cut_ = false;
    std::string_view literal_;
    std::size_t literalAt_ = 0;
    char32_t unicode_ = 0;
    int unicodeDigits_ = 0;
    char32_t highSurrogate_ = 0;
};
