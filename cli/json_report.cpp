#include "cli/json_report.h"

#include <cstdio>

#include "scan/client_names.h"

namespace kelvarin::cli {

void PutText(nlohmann::ordered_json& object, const std::string& key, std::string_view text) {
    if (IsUtf8(text)) {
        object[key] = text;
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kHex[byte >> 4]);
        hex.push_back(kHex[byte & 0x0F]);
    }
    object[key + "_hex"] = hex;
    // Readable as far as it goes; the bytes above are the name.
    const std::string shown =
        nlohmann::ordered_json(std::string(text))
            .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    object[key] = nlohmann::ordered_json::parse(shown);
}

JsonReport::JsonReport(std::string_view command) {
    m_document["command"] = command;
    m_document["files"] = nlohmann::ordered_json::array();
    m_document["summary"] = nlohmann::ordered_json::object();
}

void JsonReport::AddFile(std::string_view name, std::string_view stored, std::string_view action,
                         std::uint64_t bytes, std::string_view reason) {
    nlohmann::ordered_json file;
    PutText(file, "name", name);
    if (!stored.empty()) {
        PutText(file, "stored", stored);
    }
    file["action"] = action;
    file["bytes"] = bytes;
    if (!reason.empty()) {
        PutText(file, "reason", reason);
    }
    m_document["files"].push_back(std::move(file));
}

int JsonReport::Print(int status) {
    Summary()["exit"] = status;
    std::printf("%s\n", m_document.dump(1, '\t').c_str());
    std::fflush(stdout);
    return status;
}

}  // namespace kelvarin::cli
