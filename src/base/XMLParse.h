#pragma once

#include <pugixml.hpp>

#include <string>

namespace qv {

// Read-only access to a small XML file by element names. Elements are
// handles into the loaded document; an empty handle is "none".
class XMLParse {
public:
    using Node = pugi::xml_node;

    XMLParse() = default;
    virtual ~XMLParse() = default;
    XMLParse(const XMLParse&) = delete;
    XMLParse& operator=(const XMLParse&) = delete;

    // 1 when the file was loaded, else 0 and no document is held. Files that
    // declare another encoding (GBK ...) are converted to UTF-8.
    int Open(const char* path);
    // Without a parent: the top element of that name. With one: its child of
    // that name after the first k of them (k counts from 0).
    Node FindNode(Node parent, const char* name, int k = 0) const;
    // Child elements of that name ("*" or none: any) under the parent.
    int CountNodes(const char* name, Node parent) const;
    // The text of the first child of that name under the parent (under the
    // document without one): 1 and out filled, or 0 and out unchanged.
    int NodeText(const char* name, Node parent, std::string& out) const;

private:
    pugi::xml_document doc_;
    bool loaded_ = false;
};

} // namespace qv
