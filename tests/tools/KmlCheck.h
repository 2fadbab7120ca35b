#pragma once
// Reads a KML file the way the tests check it: well-formedness and the
// structure, through xmllint (libxml2's checker). Elements are named by their
// local name, so "Track" is gx:Track and "when" is kml:when.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "MonitorProcess.h"

class KmlFile {
 public:
  explicit KmlFile(std::string path) : m_path(std::move(path)) {}

  // Empty when xmllint reads the file as well-formed XML, else what it says.
  std::string Faults() const {
    ChildProcess xmllint(XMLLINT_PATH, {"--noout", m_path});
    std::string said = Output(xmllint);
    int status = xmllint.Wait();
    return status == 0 && said.empty() ? ""
                                       : "xmllint status " + std::to_string(status) + ": " + said;
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
    ChildProcess xmllint(XMLLINT_PATH, {"--xpath", xpath, m_path});
    std::string said = Output(xmllint);
    EXPECT_EQ(xmllint.Wait(), 0) << xpath << ": " << said;
    return said;
  }
  static std::string Output(ChildProcess& process) {
    process.ReadToEnd();
    std::string all;
    for (const std::string& line : process.Lines()) all += (all.empty() ? "" : "\n") + line;
    return all;
  }

  std::string m_path;
};
