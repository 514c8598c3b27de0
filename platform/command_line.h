// Command lines as Windows programs read them (CommandLineToArgvW and the C
// run-time): quoting an argument so that it comes back unchanged, and the
// split where no system does it (Linux).
#ifndef PLATFORM_COMMAND_LINE_H
#define PLATFORM_COMMAND_LINE_H

#include <string>
#include <vector>

namespace platform {

// The argument as one word: unchanged when it needs no quotes, else in quotes
// with its quotes and the backslashes before them escaped.
inline std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');  // before the closing quote
  out += '"';
  return out;
}

// The command line after its program word and the blanks that follow it,
// unchanged: for programs whose last argument is a whole path with blanks.
inline std::string ArgumentsAfterProgram(const std::string& line) {
  size_t i = 0;
  if (i < line.size() && line[i] == '"') {
    size_t close = line.find('"', 1);
    i = close == std::string::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return line.substr(i);
}

// The words of a command line. The first (the program) ends at the next quote
// when it starts with one, else at white space; the others follow the
// run-time's rules for quotes and backslashes, three quotes in a row giving
// one literal quote.
inline std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::string program;
  if (i < line.size() && line[i] == '"') {
    ++i;
    while (i < line.size() && line[i] != '"') program += line[i++];
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && !space(line[i])) program += line[i++];
  }
  words.push_back(program);
  while (i < line.size() && blank(line[i])) ++i;
  if (i >= line.size()) return words;
  std::string word;
  int quotes = 0;  // quotes seen in a row, modulo three
  size_t backslashes = 0;
  bool inWord = true;
  while (i < line.size()) {
    char c = line[i];
    if (blank(c) && quotes == 0) {
      words.push_back(word);
      word.clear();
      inWord = false;
      backslashes = 0;
      while (i < line.size() && blank(line[i])) ++i;
      if (i < line.size()) inWord = true;
      continue;
    }
    if (c == '\\') {
      word += c;
      ++backslashes;
      ++i;
      continue;
    }
    if (c == '"') {
      if (backslashes % 2 == 0) {
        word.resize(word.size() - backslashes / 2);
        ++quotes;
      } else {
        word.resize(word.size() - backslashes / 2 - 1);
        word += '"';
      }
      ++i;
      backslashes = 0;
      while (i < line.size() && line[i] == '"') {
        if (++quotes == 3) {
          word += '"';
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    word += c;
    backslashes = 0;
    ++i;
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace platform

#endif  // PLATFORM_COMMAND_LINE_H
