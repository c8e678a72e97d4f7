#include "engine/media/writer/failure_text.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>

#include "engine/media/core/av_ptr.h"

namespace vexto::media {
namespace {

std::string Scheme(const std::string& url) {
  const size_t p = url.find("://");
  return p == std::string::npos ? std::string() : url.substr(0, p);
}

bool IsSecure(const std::string& url) {
  const std::string s = Scheme(url);
  return s == "rtmps" || s == "tls" || s == "https" || s == "rtmpts";
}

}  // namespace

std::string UrlHost(const std::string& url) {
  const size_t p = url.find("://");
  if (p == std::string::npos) return {};
  size_t start = p + 3;
  const size_t end_auth = url.find_first_of("/?", start);
  const size_t at = url.rfind('@', end_auth);
  if (at != std::string::npos && at >= start) start = at + 1;
  if (start < url.size() && url[start] == '[') {
    const size_t close = url.find(']', start);
    return close == std::string::npos ? std::string() : url.substr(start + 1, close - start - 1);
  }
  const size_t end = url.find_first_of(":/?", start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string RedactedUrl(const std::string& url) {
  const size_t p = url.find("://");
  if (p == std::string::npos) return url;
  const size_t q = url.find('?');
  const std::string base = url.substr(0, q);
  const size_t slash = base.rfind('/');
  if (slash == std::string::npos || slash < p + 3 || slash + 1 >= base.size()) return base;
  return base.substr(0, slash + 1) + "***";
}

std::optional<std::string> CheckHostResolves(const std::string& url) {
  const std::string host = UrlHost(url);
  if (host.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  hints.ai_flags = AI_NUMERICHOST;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0) {
    freeaddrinfo(result);
    return std::nullopt;
  }
  hints.ai_flags = 0;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc == 0) {
    freeaddrinfo(result);
    return std::nullopt;
  }
  return "servidor '" + host + "' não encontrado (falha de DNS: " + gai_strerror(rc) + ")";
}

std::string DescribeOutputFailure(eOutputStage stage, int err, bool timed_out,
                                  const std::string& url, bool network) {
  const std::string detail = " (" + AvErrorText(err) + ")";
  if (!network) {
    if (err == AVERROR(ENOSPC) || err == AVERROR(EDQUOT)) return "disco cheio" + detail;
    if (err == AVERROR(EACCES) || err == AVERROR(EPERM) || err == AVERROR(EROFS)) {
      return "sem permissão para gravar na pasta" + detail;
    }
    return stage == eOutputStage::Connect ? "não foi possível criar o arquivo" + detail
                                          : "falha ao gravar o arquivo" + detail;
  }
  if (timed_out) return "o servidor não respondeu a tempo";
  switch (stage) {
    case eOutputStage::Connect:
      if (err == AVERROR(ECONNREFUSED)) return "conexão recusada pelo servidor";
      if (err == AVERROR(ETIMEDOUT)) return "o servidor não respondeu a tempo";
      if (err == AVERROR(ENETUNREACH) || err == AVERROR(EHOSTUNREACH)) {
        return "servidor inalcançável pela rede";
      }
      if (IsSecure(url)) return "falha na conexão segura (TLS) com o servidor" + detail;
      return "o servidor recusou a transmissão" + detail;
    case eOutputStage::Header:
      return "o servidor recusou a transmissão" + detail;
    case eOutputStage::Send:
    case eOutputStage::Finish:
      return "a conexão com o servidor caiu durante a transmissão" + detail;
  }
  return "falha desconhecida" + detail;
}

}  // namespace vexto::media
