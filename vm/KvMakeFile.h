// KvMakeFile: KvMakeBinFile, the builder of the VM's binary image from a KvVmData.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "IData.h"
#include "vm/KvAppVmData.h"
#include "vm/KvMethod.h"
#include "vm/VmMessages.h"

class CommonMethod;

// One builder serves one image: construct it with the data set, call MakeFile once.
class KvMakeBinFile {
public:
    // Keeps data (not owned) for its log sink and copies vmData: the image is built from the
    // copy, sorted in place, so the caller's data set is never changed.
    KvMakeBinFile(IData* data, const KvVmData& vmData);
    ~KvMakeBinFile();
    KvMakeBinFile(const KvMakeBinFile&) = delete;
    KvMakeBinFile& operator=(const KvMakeBinFile&) = delete;

    // Appends the whole image to out and lists the five header offsets on the log sink.
    // Returns false, leaving out unchanged, when a table exceeds its 16-bit fields (error
    // 2002 reported for each such table) and, in the Windows build, when a text is not GBK
    // (error 2002 naming it); the caller must then store no image.
    bool MakeFile(std::vector<uint8_t>& out);

    // One indexed table each: count, record offsets, end offset, records. A record that fails
    // to pack cuts the table short after a level-3 line. Returns an empty vector, after error
    // 2002, when the table has more than 65535 records or 65535 bytes of records.
    std::vector<uint8_t> MakeAppVarTable();
    std::vector<uint8_t> MakeAppTaskTable();
    std::vector<uint8_t> MakeAppParTable();
    // The packed default-value map; empty (after a level-3 line) when it cannot be packed,
    // which includes an empty default-value table.
    std::vector<uint8_t> MakeDefaultData();

    // Appends all of source to the end of target.
    template <typename T>
    void AddRange(std::vector<T>& target, std::vector<T> source) {
        target.insert(target.end(), std::make_move_iterator(source.begin()),
                      std::make_move_iterator(source.end()));
    }

private:
    // MakeFile's work; the Windows build's conversions throw NotConvertibleText out of it.
    bool BuildImage(std::vector<uint8_t>& out);
    struct CommonMethodDeleter {
        void operator()(CommonMethod* method) const;
    };
    using Name = kv::diag::Message<0>;           // an offset's name in the listing
    using RecordListing = kv::diag::Message<2>;  // a record's key and hash
    using Failure = kv::diag::Message<0>;

    template <typename Record>
    std::vector<uint8_t> MakeIndexedTable(const std::vector<Record>& records,
                                          const RecordListing& listing, const Failure& packFailed,
                                          const Failure& tooLarge);
    // Appends the offset's 4 big-endian bytes to header and lists them under name.
    void AppendOffset(std::vector<uint8_t>& header, const Name& name, uint32_t offset);
    ILanguageDebug* Log() const;

    IData* data_;
    KvVmData vmData_;
    std::unique_ptr<CommonMethod, CommonMethodDeleter> commonMethod_;
    KvMethod method_;
    bool sorted_ = false;
};
