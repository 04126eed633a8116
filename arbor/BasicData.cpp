// BasicData: the value object handed to the host's data store, made by newBasicData.
#include "arbor/BasicData.h"

#include "arbor/Arbor.h"

namespace {

// Holds one value at a time: setting one kind clears the other, so a reader never sees a stale
// text next to fresh bytes.
class BasicDataValue final : public BasicData {
public:
    void SetText(const std::string& text) override {
        text_ = text;
        bytes_.clear();
        isBytes_ = false;
    }
    void SetBytes(const std::vector<uint8_t>& bytes) override {
        bytes_ = bytes;
        text_.clear();
        isBytes_ = true;
    }
    bool IsBytes() const override { return isBytes_; }
    const std::string& GetText() const override { return text_; }
    const std::vector<uint8_t>& GetBytes() const override { return bytes_; }

private:
    std::string text_;
    std::vector<uint8_t> bytes_;
    bool isBytes_ = false;
};

}  // namespace

BasicData* newBasicData() { return new BasicDataValue(); }
