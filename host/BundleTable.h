// BundleTable: the tables, rows and fields of a bundle, held in memory.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "IData.h"
#include "host/HostError.h"

namespace kv::host {

// Reads a bundle JSON file as the loader does, giving the text the library is handed: blank
// files give "", strings are in the host's encoding. Fails for an unreadable or malformed file.
HostResult<std::string> ReadBundleJson(const std::filesystem::path& file);

// One row's JSON text. An empty row file gives a field that is not valid.
class BundleField final : public IDataField {
public:
    // file, when given, is where the text was read from and outlives the field.
    BundleField(std::string text, bool valid, const std::filesystem::path* file = nullptr)
        : text_(std::move(text)), file_(file), valid_(valid) {}

    bool IsValid() override { return valid_; }
    std::string GetString() override { return Text(); }
    // Replaces the text in memory only; the bundle on disk is never touched.
    void SetString(const std::string& text) override {
        // The text as loaded is kept, not copied: diagnostics about the bundle point into it.
        if (!rewritten_) loaded_ = std::move(Restored());
        text_ = text;
        rewritten_ = true;
    }

    const std::string& Text() const { return rewritten_ ? text_ : Restored(); }
    // The text before the library rewrote it.
    const std::string& LoadedText() const { return rewritten_ ? loaded_ : Restored(); }
    // True once SetString was called, even with the same text.
    bool Rewritten() const { return rewritten_; }

    // Lets go of a text read from a file and not rewritten; it is read again when next asked
    // for. Lets a host that has handed its tables to the library stop holding them twice.
    void Release() {
        if (file_ == nullptr || rewritten_ || released_) return;
        std::string().swap(text_);
        released_ = true;
    }

private:
    // The loaded text, read again from its file if it was released. A file that can no longer
    // be read gives "", which only the notes on diagnostics would still have looked at.
    std::string& Restored() const {
        if (released_) {
            HostResult<std::string> text = ReadBundleJson(*file_);
            if (text.Ok()) text_ = std::move(text.Value());
            released_ = false;
        }
        return text_;
    }

    mutable std::string text_;
    std::string loaded_;  // set once rewritten
    const std::filesystem::path* file_;
    bool valid_;
    bool rewritten_ = false;
    mutable bool released_ = false;
};

// A row: its field and where it came from inside the bundle (database/table[/row].json).
class BundleRecord final : public IDataRecord {
public:
    // file is where the text was read from, if anywhere.
    BundleRecord(std::string text, bool valid, std::filesystem::path relativePath,
                 std::filesystem::path file = {})
        : file_(std::move(file)),
          field_(std::move(text), valid, file_.empty() ? nullptr : &file_),
          relativePath_(std::move(relativePath)) {}

    IDataField* GetField() override { return &field_; }

    const BundleField& Field() const { return field_; }
    BundleField& Field() { return field_; }
    const std::filesystem::path& RelativePath() const { return relativePath_; }

private:
    std::filesystem::path file_;  // before field_, which refers to it
    BundleField field_;
    std::filesystem::path relativePath_;
};

// A named table whose rows are keyed by their file names, so map order is file name order.
class BundleTable final : public IDataTable {
public:
    explicit BundleTable(std::string name) : name_(std::move(name)) {}

    std::string GetName() override { return name_; }
    const std::map<std::string, IDataRecord*>& GetRecords() override { return view_; }

    // Adds a row under key; a later row with the same key replaces it.
    void AddRow(const std::string& key, std::unique_ptr<BundleRecord> row) {
        view_[key] = row.get();
        rows_[key] = std::move(row);
    }
    // Adds a row held in memory only; valid false makes a row whose field is not valid. text is
    // UTF-8 JSON, as a bundle file is; its strings are handed to the library in the host's
    // encoding, as the loader hands them (a string that encoding cannot hold stays as it is).
    BundleTable& AddRow(const std::string& key, std::string text, bool valid = true);
    const std::map<std::string, std::unique_ptr<BundleRecord>>& Rows() const { return rows_; }
    // The current text of the row under key.
    const std::string& RowText(const std::string& key) const {
        return rows_.at(key)->Field().Text();
    }

private:
    std::string name_;
    std::map<std::string, std::unique_ptr<BundleRecord>> rows_;
    // The interface lends rows as IDataRecord*; kept beside rows_ so that no call copies.
    std::map<std::string, IDataRecord*> view_;
};

}  // namespace kv::host
