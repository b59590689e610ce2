#include "XMLParse.h"

#include "TextEncoding.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace qv {

namespace {

// Names are turned into a query of at most 63 characters; a longer one
// selects nothing.
constexpr size_t kMaxQuery = 63;

bool NameFits(const char* name, int k) {
    if (!name)
        return false;
    char query[80];
    int n = k > 0 ? std::snprintf(query, sizeof query, "%s[%d]", name, k)
                  : std::snprintf(query, sizeof query, "%s", name);
    return n >= 0 && static_cast<size_t>(n) <= kMaxQuery;
}

} // namespace

int XMLParse::Open(const char* path) {
    doc_.reset();
    loaded_ = false;
    if (!path || !*path)
        return 0;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return 0;
    std::ostringstream s;
    s << f.rdbuf();
    std::string text = XmlToUtf8(s.str());
    pugi::xml_parse_result r = doc_.load_buffer(text.data(), text.size());
    if (!r || !doc_.document_element()) {
        doc_.reset();
        return 0;
    }
    loaded_ = true;
    return 1;
}

XMLParse::Node XMLParse::FindNode(Node parent, const char* name, int k) const {
    if (!loaded_ || !NameFits(name, k) || k < 0)
        return Node();
    if (!parent)
        return doc_.child(name);
    int seen = 0;
    for (Node c : parent.children(name))
        if (seen++ == k)
            return c;
    return Node();
}

int XMLParse::CountNodes(const char* name, Node parent) const {
    if (!loaded_ || !parent)
        return 0;
    bool any = !name || !*name || std::strcmp(name, "*") == 0;
    int n = 0;
    for (Node c : parent.children())
        if (c.type() == pugi::node_element && (any || std::strcmp(c.name(), name) == 0))
            ++n;
    return n;
}

int XMLParse::NodeText(const char* name, Node parent, std::string& out) const {
    if (!loaded_ || !name || !*name || !NameFits(name, 0))
        return 0;
    Node n = parent ? parent.child(name) : doc_.child(name);
    if (!n)
        return 0;
    out = n.child_value();
    // Element text may be split by comments or CDATA sections; take all of it.
    if (n.first_child() && n.first_child().next_sibling()) {
        out.clear();
        for (Node c : n.children())
            if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
                out += c.value();
    }
    return 1;
}

} // namespace qv
