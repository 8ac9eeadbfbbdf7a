// Feeds arbitrary bytes to the bounded XML reader, with the limits the
// WS-Discovery reader uses and with tight ones that any seed exceeds. A tree
// read must keep within its limits, every text trimmed, and every element
// must be found by name from the root.

#include "fuzz_input.h"
#include "platform/discovery/bounded_xml.h"

using platform::discovery::XmlElement;
using platform::discovery::XmlLimits;

namespace {

struct Walk {
    int elements = 0;
    int depth = 0;
};

void walk(const XmlElement& root, const XmlElement& element, const XmlLimits& limits, int depth,
          Walk& seen) {
    ++seen.elements;
    seen.depth = std::max(seen.depth, depth);
    FUZZ_EXPECT(element.text.size() <= limits.maxTextLength &&
                element.text == element.text.trimmed());
    if (&element != &root) FUZZ_EXPECT(root.find(element.namespaceUri, element.name) != nullptr);
    for (const XmlElement& child : element.children) walk(root, child, limits, depth + 1, seen);
}

void check(const QByteArray& document, const XmlLimits& limits) {
    const std::optional<XmlElement> root = platform::discovery::parseBoundedXml(document, limits);
    if (!root) return;
    FUZZ_EXPECT(document.size() <= limits.maxBytes);
    Walk seen;
    walk(*root, *root, limits, 1, seen);
    FUZZ_EXPECT(seen.elements <= limits.maxElements && seen.depth <= limits.maxDepth);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray document = fuzzBytes(data, size);
    check(document, XmlLimits{});
    check(document, XmlLimits{1024, 12, 4, 32});
    return 0;
}
