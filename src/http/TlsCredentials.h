// A certificate chain and its private key, parsed and checked to belong
// together, in the form GnuTLS hands to a TLS handshake.
#pragma once

#include <memory>
#include <string>

namespace ravo {

class TlsCredentials {
public:
    // Null with a one-line reason when the PEM texts do not hold a certificate
    // (the first of the chain is the server's) and the private key of it.
    static std::unique_ptr<TlsCredentials> load(const std::string& certPem, const std::string& keyPem,
                                                std::string& error);
    ~TlsCredentials();
    TlsCredentials(const TlsCredentials&) = delete;
    TlsCredentials& operator=(const TlsCredentials&) = delete;

    // For GnuTLS's certificate callback: gnutls_pcert_st* and gnutls_privkey_t.
    void* chain() const;
    unsigned chainLength() const;
    void* key() const;

    struct Parts;

private:
    explicit TlsCredentials(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace ravo
