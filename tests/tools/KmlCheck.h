#pragma once
// Reads a KML file the way the tests check it: well-formedness and the
// structure, through xmllint (libxml2's checker). Elements are named by their
// local name, so "Track" is gx:Track and "when" is kml:when.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TestProcess.h"

class KmlFile {
 public:
  explicit KmlFile(std::string path) : m_path(std::move(path)) {}

  // Empty when xmllint reads the file as well-formed XML, else what it says.
  std::string Faults() const {
    ProcessResult xmllint = Xmllint({"--noout", m_path});
    return xmllint.status == 0 && xmllint.out.empty()
               ? ""
               : "xmllint status " + std::to_string(xmllint.status) + ": " + xmllint.out;
  }

  // Values of XPath expressions in which "{Name}" stands for an element of
  // that local name: Count("//{Track}/{coord}") counts the gx:coord
  // elements of all gx:Track elements.
  int Count(const std::string& path) const {
    return std::atoi(Evaluate("count(" + Local(path) + ")").c_str());
  }
  std::string Text(const std::string& path) const {
    return Evaluate("string(" + Local(path) + ")");
  }

  static std::string Local(std::string path) {
    for (std::size_t open = path.find('{'); open != std::string::npos; open = path.find('{')) {
      std::size_t close = path.find('}', open);
      path.replace(open, close - open + 1,
                   "*[local-name()='" + path.substr(open + 1, close - open - 1) + "']");
    }
    return path;
  }

 private:
  std::string Evaluate(const std::string& xpath) const {
    ProcessResult xmllint = Xmllint({"--xpath", xpath, m_path});
    EXPECT_EQ(xmllint.status, 0) << xpath << ": " << xmllint.out;
    return xmllint.out;
  }
  // What xmllint says (standard output and error as one), without its last line end.
  static ProcessResult Xmllint(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {XMLLINT_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProcessResult result = RunProcess(command, ProcessSetup());
    if (!result.out.empty() && result.out.back() == '\n') result.out.pop_back();
    return result;
  }

  std::string m_path;
};
