#pragma once

// What projconv-batch's exit statuses mean: the one table that --help (and
// through it the manual page) and the README show.

#include <span>
#include <string>

namespace projconv {

struct ExitStatusMeaning {
  int status;
  const char* meaning;  // plain text; options written as --name
};

// In the order they are listed: the ends of a batch first, from the normal one.
std::span<const ExitStatusMeaning> ExitStatusMeanings();

// The table under "Exit status:" in --help: each status indented by two, its
// meaning in a column of its own wrapped within 79 characters, which the
// manual page's generator turns into tagged paragraphs.
std::string ExitStatusHelpTable();

// The table as the README holds it, in Markdown, the options set as code.
std::string ExitStatusMarkdownTable();

}  // namespace projconv
