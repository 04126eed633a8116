// ILanguageDebug: the compiler host's log sink for listings and numbered errors.
#pragma once

#include <map>
#include <string>

// The sink belongs to the host; the library fetches it from IData each time and never frees it.
class ILanguageDebug {
public:
    // Returns true once any error has been reported in this compilation; it stays true.
    virtual bool HasError() = 0;
    // One listing line; the library passes kind 0.
    virtual void Print(const std::string& text, int kind) = 0;
    // One output line of the image builder: level 0 for listings, 3 for failures.
    virtual void PrintLine(const std::string& text, int level) = 0;
    // An error without a position.
    virtual void ReportError(int code, const std::string& text, int level) = 0;
    // An error at a 1-based line and column; -1, -1 when there is no position.
    virtual void ReportErrorAt(int code, int line, int column, const std::string& text,
                               int level) = 0;
    // An error with an extra text and a key/value map attached.
    virtual void ReportErrorAtWithData(int code, int line, int column, const std::string& text,
                                       const std::string& extra,
                                       const std::map<std::string, std::string>& data,
                                       int level) = 0;

protected:
    ~ILanguageDebug() = default;
};
