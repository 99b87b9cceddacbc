// hlpc SOURCE OUTPUT: compiles a help source into a WinHelp file.
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "Document.h"
#include "Html.h"
#include "Writer.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: hlpc SOURCE.txt OUTPUT.HLP [OUTPUT.HTM]\n";
    return 2;
  }
  const std::string source = argv[1];
  try {
    std::ifstream in(source, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the source");
    std::ostringstream text;
    text << in.rdbuf();
    hlpc::Document doc = hlpc::ParseSource(text.str());
    hlpc::WriteFileAtomically(argv[2], hlpc::BuildHelpFile(doc, std::time(nullptr)));
    if (argc == 4) hlpc::WriteFileAtomically(argv[3], hlpc::BuildHtmlHelp(doc));
  } catch (const std::exception& e) {
    std::cerr << source << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
