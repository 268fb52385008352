// Scenario scripts: one step a line, a verb followed by its arguments.
#pragma once

#include <string>
#include <vector>

struct Step {
    int line = 0;                  // 1-based line number in the script
    std::string verb;              // empty for a blank or comment line
    std::string rest;              // the raw text after the verb, trimmed
    std::vector<std::string> args; // the words of rest (filled by splitwords)
};

// Reads the verb and the raw rest of one script line. A line whose first
// non-blank is # is a comment and gives an empty verb.
void parsestep(const std::string& text, int line, Step& step);

// Splits text into words separated by blanks or tabs. A word that begins with
// a double quote runs to the next lone double quote, and "" inside it stands
// for one double quote. Fails with a reason for an unterminated quote or for
// text glued to a closing quote.
bool splitwords(const std::string& text, std::vector<std::string>& words, std::string& error);
