// The files go straight into the document's text as they come: a DOM node
// per file would cost more than the import of an unchanged small file. The
// library escapes the rare names that are not UTF-8 and the summary.
#include "cli/json_report.h"

#include <cstdio>

#include "cli/changed_list.h"
#include "platform/console_text.h"
#include "scan/client_names.h"

namespace kelvarin::cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// `text` as a JSON string, quotes included. REQUIRES: IsUtf8(text).
void AppendString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out.append("\\u00");
            out.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

std::string Hex(std::string_view text) {
    std::string hex;
    for (const char c : text) {
        hex.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
        hex.push_back(kHex[c & 0x0F]);
    }
    return hex;
}

// Readable as far as it goes: U+FFFD for each byte that is not UTF-8.
std::string Replaced(std::string_view text) {
    return nlohmann::ordered_json::parse(
               nlohmann::ordered_json(std::string(text))
                   .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace))
        .get<std::string>();
}

// ,"key":"text" and, for text that is not UTF-8, ,"key_hex":"..." first.
void AppendMember(std::string& out, std::string_view key, std::string_view text) {
    const bool utf8 = IsUtf8(text);
    if (!utf8) {
        out.append(",\"").append(key).append("_hex\":\"").append(Hex(text)).append("\"");
    }
    out.append(",\"").append(key).append("\":");
    AppendString(out, utf8 ? std::string(text) : Replaced(text));
}

}  // namespace

void PutText(nlohmann::ordered_json& object, const std::string& key, std::string_view text) {
    if (IsUtf8(text)) {
        object[key] = text;
        return;
    }
    object[key + "_hex"] = Hex(text);
    object[key] = Replaced(text);
}

JsonReport::JsonReport(std::string_view command) : m_command(command) {}

void JsonReport::AddFile(std::string_view name, std::string_view stored, std::string_view action,
                         std::uint64_t bytes, std::string_view reason, std::string_view source) {
    m_files.append(m_files.empty() ? "\n{" : ",\n{");
    const std::size_t open = m_files.size();
    AppendMember(m_files, "name", name);
    m_files.erase(open, 1);  // the first member has no comma before it
    if (!source.empty()) {
        AppendMember(m_files, "source", UploadName(source));
    }
    if (!stored.empty()) {
        AppendMember(m_files, "stored", UploadName(stored));
    }
    AppendMember(m_files, "action", action);
    m_files.append(",\"bytes\":").append(std::to_string(bytes));
    if (!reason.empty()) {
        AppendMember(m_files, "reason", reason);
    }
    m_files.push_back('}');
}

void JsonReport::AddNamedFile(std::string_view name, std::string_view reason) {
    m_files.append(m_files.empty() ? "\n{" : ",\n{");
    const std::size_t open = m_files.size();
    AppendMember(m_files, "name", name);
    m_files.erase(open, 1);
    if (!reason.empty()) {
        AppendMember(m_files, "reason", reason);
    }
    m_files.push_back('}');
}

int JsonReport::PrintRefused(std::string_view reason, int status) {
    PutText(m_summary, "refused", reason);
    return Print(status);
}

int JsonReport::Print(int status) {
    m_summary["exit"] = status;
    std::string document = "{\"command\":";
    AppendString(document, m_command);
    document.append(",\"files\":[").append(m_files).append("],\n\"summary\":");
    document.append(m_summary.dump()).append("}\n");
    // Flushed and checked with everything else on standard output at the end.
    WriteText(stdout, document);
    return status;
}

}  // namespace kelvarin::cli
