#include "mail/pop3_reply.h"

#include <arpa/inet.h>

#include <cctype>
#include <climits>
#include <cstring>

ReplyReader::ReplyReader() : lineLength_(0), complete_(false) {}

void ReplyReader::Feed(const char* data, std::size_t size) {
  if (data == nullptr) return;
  std::size_t i = 0;
  // Past the kept part of an overlong line only its end is looked for.
  while (i < size && !complete_) {
    const char c = data[i++];
    ++lineLength_;
    if (c == '\n') {
      pending_ += c;
      complete_ = true;
    } else if (pending_.size() < ReplyKeep) {
      pending_ += c;
    }
  }
  pending_.append(data + i, size - i);
}

bool ReplyReader::TakeLine(std::string& line) {
  if (!complete_) return false;
  const std::size_t end = pending_.find('\n');
  std::size_t cut = end;
  if (cut > 0 && pending_[cut - 1] == '\r') --cut;
  line.assign(pending_, 0, cut < ReplyKeep ? cut : ReplyKeep);
  pending_.erase(0, end + 1);
  // What followed the line end is the start of the next line.
  complete_ = pending_.find('\n') != std::string::npos;
  lineLength_ = pending_.size();
  if (!complete_ && pending_.size() > ReplyKeep) pending_.resize(ReplyKeep);
  return true;
}

void ReplyReader::Clear() {
  pending_.clear();
  lineLength_ = 0;
  complete_ = false;
}

bool ReplyAccepted(const std::string& line) { return !line.empty() && line[0] == '+'; }

bool StatCount(const std::string& line, int* count) {
  if (line.size() < 5) return false;
  std::size_t i = 4;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] == '+') ++i;
  if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  long long value = 0;
  for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > INT_MAX) return false;
  }
  if (count != nullptr) *count = static_cast<int>(value);
  return true;
}

namespace {

bool ParsePort(const std::string& text, unsigned short* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = static_cast<unsigned short>(value);
  return true;
}

bool IsIpv4(const std::string& host) {
  in_addr a{};
  return inet_pton(AF_INET, host.c_str(), &a) == 1;
}

bool IsIpv6(const std::string& host) {
  in6_addr a{};
  return inet_pton(AF_INET6, host.c_str(), &a) == 1;
}

}  // namespace

bool ParseServer(const char* text, int security, ServerAddress* out) {
  if (text == nullptr || out == nullptr) return false;
  std::string s(text);
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t from = 0;
  while (from < s.size() && blank(s[from])) ++from;
  s.erase(0, from);

  ServerAddress result;
  result.port = security == SecurityImplicitTls ? 995 : 110;
  std::string portText;
  bool hasPort = false;
  if (!s.empty() && s[0] == '[') {
    const std::size_t close = s.find(']');
    if (close == std::string::npos) return false;
    result.host = s.substr(1, close - 1);
    const std::string rest = s.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      portText = rest.substr(1);
      hasPort = true;
    }
    if (!IsIpv6(result.host)) return false;
    result.byAddress = true;
  } else {
    const std::size_t colon = s.find(':');
    if (colon != std::string::npos && s.find(':', colon + 1) == std::string::npos) {
      result.host = s.substr(0, colon);
      portText = s.substr(colon + 1);
      hasPort = true;
    } else {
      // No colon, or several: a bare IPv6 address.
      result.host = s;
      if (colon != std::string::npos && !IsIpv6(result.host)) return false;
    }
    if (!result.host.empty()) {
      // A leading digit and a dot mean a dotted address, as ever; a name that
      // only looks like one ("3com.example") is still looked up by name.
      const bool dotted = std::isdigit(static_cast<unsigned char>(result.host[0])) &&
                          result.host.find('.') != std::string::npos;
      result.byAddress = (dotted && IsIpv4(result.host)) || IsIpv6(result.host);
    }
  }
  if (result.host.empty()) return false;
  if (hasPort && !ParsePort(portText, &result.port)) return false;
  *out = result;
  return true;
}
