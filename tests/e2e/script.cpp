#include "script.h"

namespace {

bool isblank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t skipblanks(const std::string& text, std::size_t at) {
    while (at < text.size() && isblank(text[at]))
        ++at;
    return at;
}

std::size_t wordend(const std::string& text, std::size_t at) {
    while (at < text.size() && !isblank(text[at]))
        ++at;
    return at;
}

// Reads the quoted word starting at text[at] (a double quote); at moves past
// the closing quote.
bool readquoted(const std::string& text, std::size_t& at, std::string& word, std::string& error) {
    for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
            word += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
            word += '"';
            ++at;
        } else {
            ++at;
            if (at < text.size() && !isblank(text[at])) {
                error = "text after a closing quote";
                return false;
            }
            return true;
        }
    }
    error = "unterminated quote";
    return false;
}

} // namespace

void parsestep(const std::string& text, int line, Step& step) {
    step = Step{};
    step.line = line;
    std::size_t at = skipblanks(text, 0);
    if (at == text.size() || text[at] == '#')
        return;
    std::size_t end = wordend(text, at);
    step.verb = text.substr(at, end - at);
    at = skipblanks(text, end);
    end = text.size();
    while (end > at && isblank(text[end - 1]))
        --end;
    step.rest = text.substr(at, end - at);
}

bool splitwords(const std::string& text, std::vector<std::string>& words, std::string& error) {
    words.clear();
    for (std::size_t at = skipblanks(text, 0); at < text.size(); at = skipblanks(text, at)) {
        std::string word;
        if (text[at] == '"') {
            if (!readquoted(text, at, word, error))
                return false;
        } else {
            std::size_t end = wordend(text, at);
            word = text.substr(at, end - at);
            at = end;
        }
        words.push_back(word);
    }
    return true;
}
