// Plain, Portuguese descriptions of why a stream output failed, for the streaming bar and the
// event log.
#pragma once

#include <optional>
#include <string>

namespace vexto::media {

// Where an output attempt failed.
enum class eOutputStage { Connect, Header, Send, Finish };

// err: FFmpeg's error code; timed_out: the writer's own deadline ended the operation.
std::string DescribeOutputFailure(eOutputStage stage, int err, bool timed_out,
                                  const std::string& url, bool network);

// The host named in a network URL; empty for a file path or a URL without one.
std::string UrlHost(const std::string& url);

// The URL with its last path part (the stream key) hidden, fit for the event log.
std::string RedactedUrl(const std::string& url);

// Resolves the URL's host; the failure text when it has no address (blocking: the system's
// resolver). nullopt when it resolves, is a numeric address, or there is no host.
std::optional<std::string> CheckHostResolves(const std::string& url);

}  // namespace vexto::media
