#include "SourceRef.h"

#include "PageSource.h"

// An origin without its kind fails the build.
#pragma GCC diagnostic error "-Wswitch"

namespace {

SourceRef::Kind kindOf(PageSource::Origin origin) {
    switch (origin) {
    case PageSource::Origin::Element:
        return SourceRef::Kind::Element;
    case PageSource::Origin::OpenGraph:
        return SourceRef::Kind::OpenGraph;
    case PageSource::Origin::JsonLd:
        return SourceRef::Kind::JsonLd;
    case PageSource::Origin::Request:
        return SourceRef::Kind::Request;
    }
    return SourceRef::Kind::None;
}

} // namespace

SourceRef SourceRef::of(const PageSource& source) {
    return {kindOf(source.origin), source.label(), source.url};
}
