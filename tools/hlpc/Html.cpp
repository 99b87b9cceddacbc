#include "Html.h"

namespace hlpc {

namespace {

// Markup characters as entities. Every one is below 0x40, so never the
// trail byte of a Shift-JIS character.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string BuildHtmlHelp(const Document& doc) {
  std::string html =
      "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n"
      "<meta charset=\"Shift_JIS\">\r\n<title>" + Escaped(doc.title) +
      "</title>\r\n<style>\r\nbody { font-family: sans-serif; max-width: 48em; margin: 1em auto; "
      "line-height: 1.6; }\r\nsection { border-top: 1px solid #ccc; padding-top: 0.5em; }\r\n"
      "</style>\r\n</head>\r\n<body>\r\n<h1>" + Escaped(doc.title) + "</h1>\r\n";
  for (const Topic& topic : doc.topics) {
    html += "<section id=\"" + Escaped(topic.context) + "\">\r\n<h2>" + Escaped(topic.title) +
            "</h2>\r\n";
    for (const Paragraph& paragraph : topic.paragraphs) {
      html += paragraph.heading ? "<h3>" : "<p>";
      for (const Span& span : paragraph.spans) {
        if (span.target.empty()) {
          html += Escaped(span.text);
        } else {
          html += "<a href=\"#" + Escaped(span.target) + "\">" + Escaped(span.text) + "</a>";
        }
      }
      html += paragraph.heading ? "</h3>\r\n" : "</p>\r\n";
    }
    html += "</section>\r\n";
  }
  html += "</body>\r\n</html>\r\n";
  return html;
}

}  // namespace hlpc
