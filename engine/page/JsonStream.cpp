#include "page/JsonStream.h"

#include "base/NumberText.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNumberByte(char c) {
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        return i > from;
    };
    if (i < text.size() && text[i] == '-')
        ++i;
    if (i < text.size() && text[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

} // namespace

JsonStream::JsonStream(Handler& handler, std::size_t maxDepth)
    : handler_(handler), maxDepth_(maxDepth) {}

void JsonStream::feed(std::string_view text) {
    static constexpr std::string_view stringEnds("\"\\\0", 3);
    std::size_t i = 0;
    while (i < text.size() && state_ == State::Reading) {
        // A string's plain run is taken whole.
        if (token_ == Token::String && highSurrogate_ == 0) {
            const std::size_t end = text.find_first_of(stringEnds, i);
            append(text.substr(i, end == std::string_view::npos ? end : end - i));
            if (end == std::string_view::npos)
                return;
            i = end;
        }
        character(text[i++]);
    }
}

void JsonStream::finish() {
    if (state_ == State::Reading && token_ == Token::Number)
        endNumber();
    if (state_ == State::Reading)
        fail(State::Malformed);
}

void JsonStream::character(char c) {
    switch (token_) {
    case Token::String:
        if (c == '"')
            endString();
        else if (c == '\\')
            token_ = Token::Escape;
        else
            stringByte(c);
        return;
    case Token::Escape:
        escape(c);
        return;
    case Token::Unicode:
        unicodeDigit(c);
        return;
    case Token::Number:
        if (isNumberByte(c)) {
            if (text_.size() < maxNumberBytes)
                text_ += c;
            else
                cut_ = true;
            return;
        }
        endNumber();
        if (state_ == State::Reading)
            structural(c);
        return;
    case Token::Literal:
        if (c != literal_[literalAt_]) {
            fail(State::Malformed);
            return;
        }
        if (++literalAt_ == literal_.size()) {
            token_ = Token::None;
            handler_.literal();
            valueDone();
        }
        return;
    case Token::None:
        structural(c);
        return;
    }
}

void JsonStream::structural(char c) {
    if (isBlank(c))
        return;
    switch (expect_) {
    case Expect::Value:
        beginValue(c);
        return;
    case Expect::ValueOrEnd:
        if (c == ']') {
            open_.pop_back();
            handler_.endArray();
            valueDone();
        } else {
            beginValue(c);
        }
        return;
    case Expect::KeyOrEnd:
    case Expect::Key:
        if (c == '"') {
            token_ = Token::String;
            tokenIsKey_ = true;
            text_.clear();
            cut_ = false;
        } else if (c == '}' && expect_ == Expect::KeyOrEnd) {
            open_.pop_back();
            handler_.endObject();
            valueDone();
        } else {
            fail(State::Malformed);
        }
        return;
    case Expect::Colon:
        if (c == ':')
            expect_ = Expect::Value;
        else
            fail(State::Malformed);
        return;
    case Expect::CommaOrEnd:
        if (c == ',') {
            expect_ = open_.back() ? Expect::Key : Expect::Value;
        } else if (c == (open_.back() ? '}' : ']')) {
            const bool object = open_.back();
            open_.pop_back();
            if (object)
                handler_.endObject();
            else
                handler_.endArray();
            valueDone();
        } else {
            fail(State::Malformed);
        }
        return;
    }
}

void JsonStream::beginValue(char c) {
    if (c == '{' || c == '[') {
        if (open_.size() >= maxDepth_) {
            fail(State::TooDeep);
            return;
        }
        open_.push_back(c == '{');
        if (c == '{') {
            handler_.startObject();
            expect_ = Expect::KeyOrEnd;
        } else {
            handler_.startArray();
            expect_ = Expect::ValueOrEnd;
        }
    } else if (c == '"') {
        token_ = Token::String;
        tokenIsKey_ = false;
        text_.clear();
        cut_ = false;
    } else if (c == '-' || isDigit(c)) {
        token_ = Token::Number;
        text_.assign(1, c);
        cut_ = false;
    } else if (c == 't' || c == 'f' || c == 'n') {
        token_ = Token::Literal;
        literal_ = c == 't' ? "true" : c == 'f' ? "false" : "null";
        literalAt_ = 1;
    } else {
        fail(State::Malformed);
    }
}

void JsonStream::valueDone() {
    if (open_.empty())
        state_ = State::Done;
    else
        expect_ = Expect::CommaOrEnd;
}

void JsonStream::stringByte(char c) {
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        appendCodePoint(kReplacement);
    }
    if (c == '\0')
        appendCodePoint(kReplacement);
    else
        append(std::string_view(&c, 1));
}

void JsonStream::escape(char c) {
    token_ = Token::String;
    if (c == 'u') {
        token_ = Token::Unicode;
        unicode_ = 0;
        unicodeDigits_ = 0;
        return;
    }
    char plain = 0;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        plain = c;
        break;
    case 'b':
        plain = '\b';
        break;
    case 'f':
        plain = '\f';
        break;
    case 'n':
        plain = '\n';
        break;
    case 'r':
        plain = '\r';
        break;
    case 't':
        plain = '\t';
        break;
    default:
        fail(State::Malformed);
        return;
    }
    stringByte(plain);
}

void JsonStream::unicodeDigit(char c) {
    const int digit = NumberText::digitValue(c, 16);
    if (digit < 0) {
        fail(State::Malformed);
        return;
    }
    unicode_ = unicode_ * 16 + static_cast<char32_t>(digit);
    if (++unicodeDigits_ < 4)
        return;
    token_ = Token::String;
    const char32_t point = unicode_;
    const bool high = point >= 0xD800 && point <= 0xDBFF;
    const bool low = point >= 0xDC00 && point <= 0xDFFF;
    if (highSurrogate_ != 0) {
        const char32_t first = highSurrogate_;
        highSurrogate_ = 0;
        if (low) {
            appendCodePoint(0x10000 + ((first - 0xD800) << 10) + (point - 0xDC00));
            return;
        }
        appendCodePoint(kReplacement);
    }
    if (high)
        highSurrogate_ = point;
    else
        appendCodePoint(low || point == 0 ? kReplacement : point);
}

void JsonStream::endString() {
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        appendCodePoint(kReplacement);
    }
    token_ = Token::None;
    if (tokenIsKey_) {
        handler_.key(text_);
        expect_ = Expect::Colon;
        return;
    }
    handler_.string(text_, cut_);
    valueDone();
}

void JsonStream::endNumber() {
    token_ = Token::None;
    if (!cut_ && !isJsonNumber(text_)) {
        fail(State::Malformed);
        return;
    }
    handler_.number(cut_ ? std::string_view() : std::string_view(text_));
    valueDone();
}

void JsonStream::append(std::string_view bytes) {
    const std::size_t room = maxStringBytes - text_.size();
    if (bytes.size() > room) {
        bytes = bytes.substr(0, room);
        cut_ = true;
    }
    text_.append(bytes);
}

void JsonStream::appendCodePoint(char32_t c) {
    char bytes[4];
    std::size_t n = 0;
    if (c < 0x80) {
        bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (c >> 6));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[n++] = static_cast<char>(0xE0 | (c >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xF0 | (c >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    append(std::string_view(bytes, n));
}

void JsonStream::fail(State why) {
    state_ = why;
    token_ = Token::None;
    text_.clear();
    text_.shrink_to_fit();
}
