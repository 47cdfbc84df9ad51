#include "stream/SegmentListFingerprint.h"

#include "base/HttpAddress.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class Digest {
public:
    Digest() : context_(EVP_MD_CTX_new()) {
        ok_ = context_ && EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) == 1;
    }

    // Each field with its length, so that no two lists give the same text.
    void add(std::string_view field) {
        const std::string length = std::to_string(field.size()) + ":";
        ok_ = ok_ && EVP_DigestUpdate(context_.get(), length.data(), length.size()) == 1 &&
              EVP_DigestUpdate(context_.get(), field.data(), field.size()) == 1;
    }
    void add(long long number) { add(std::to_string(number)); }

    std::string hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!ok_ || EVP_DigestFinal_ex(context_.get(), digest, &size) != 1)
            return {};
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (unsigned int i = 0; i < size; ++i) {
            out += digits[digest[i] >> 4];
            out += digits[digest[i] & 15];
        }
        return out;
    }

private:
    std::unique_ptr<EVP_MD_CTX, DigestFree> context_;
    bool ok_ = false;
};

void addSegment(Digest& digest, const StreamSegment& s) {
    digest.add(withoutQuery(s.part.url));
    digest.add(s.part.range ? s.part.range->offset : -1);
    digest.add(s.part.range ? s.part.range->length : -1);
    digest.add(std::llround(std::min(s.seconds, 1e12) * 1000));
    digest.add(s.key ? std::string_view(reinterpret_cast<const char*>(s.key->iv.data()), 16)
                     : std::string_view("clear"));
    digest.add(s.init ? static_cast<long long>(*s.init) : -1);
}

} // namespace

std::string SegmentListFingerprint::of(const std::vector<Track>& tracks) {
    Digest digest;
    digest.add(static_cast<long long>(tracks.size()));
    for (const Track& track : tracks) {
        digest.add(static_cast<long long>(track.content));
        digest.add(static_cast<long long>(track.container));
        for (const std::vector<StreamSegment>* list : {&track.inits, &track.segments}) {
            digest.add(static_cast<long long>(list->size()));
            for (const StreamSegment& s : *list)
                addSegment(digest, s);
        }
    }
    return digest.hex();
}
