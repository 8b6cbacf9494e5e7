#include "http/TlsCredentials.h"

#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <cstring>
#include <vector>

namespace ravo {

struct TlsCredentials::Parts {
    std::vector<gnutls_pcert_st> chain;
    gnutls_privkey_t key = nullptr;

    ~Parts() {
        for (gnutls_pcert_st& c : chain) gnutls_pcert_deinit(&c);
        if (key) gnutls_privkey_deinit(key);
    }
};

namespace {

gnutls_datum_t datum(const std::string& text) {
    return gnutls_datum_t{reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
                          static_cast<unsigned>(text.size())};
}

// The public key in DER, to compare the certificate's with the private key's.
bool publicKeyDer(gnutls_pubkey_t key, std::string& out) {
    gnutls_datum_t der{};
    if (gnutls_pubkey_export2(key, GNUTLS_X509_FMT_DER, &der) < 0) return false;
    out.assign(reinterpret_cast<const char*>(der.data), der.size);
    gnutls_free(der.data);
    return true;
}

}  // namespace

std::unique_ptr<TlsCredentials> TlsCredentials::load(const std::string& certPem, const std::string& keyPem,
                                                     std::string& error) {
    auto parts = std::make_unique<Parts>();
    constexpr unsigned kMaxChain = 16;
    parts->chain.resize(kMaxChain);
    unsigned n = kMaxChain;
    const gnutls_datum_t cert = datum(certPem);
    int rc = gnutls_pcert_list_import_x509_raw(parts->chain.data(), &n, &cert, GNUTLS_X509_FMT_PEM, 0);
    if (rc < 0 || n == 0) {
        parts->chain.clear();
        error =
            std::string("--http-cert holds no PEM certificate (") + (rc < 0 ? gnutls_strerror(rc) : "none found") + ")";
        return nullptr;
    }
    parts->chain.resize(n);

    if ((rc = gnutls_privkey_init(&parts->key)) < 0) {
        error = std::string("--http-key: ") + gnutls_strerror(rc);
        return nullptr;
    }
    const gnutls_datum_t key = datum(keyPem);
    if ((rc = gnutls_privkey_import_x509_raw(parts->key, &key, GNUTLS_X509_FMT_PEM, nullptr, 0)) < 0) {
        error = std::string("--http-key holds no PEM private key (") + gnutls_strerror(rc) + ")";
        return nullptr;
    }

    gnutls_pubkey_t fromKey = nullptr;
    std::string ours, theirs;
    bool same = gnutls_pubkey_init(&fromKey) >= 0 && gnutls_pubkey_import_privkey(fromKey, parts->key, 0, 0) >= 0 &&
                publicKeyDer(fromKey, ours) && publicKeyDer(parts->chain[0].pubkey, theirs) && ours == theirs;
    if (fromKey) gnutls_pubkey_deinit(fromKey);
    if (!same) {
        error = "the key in --http-key is not the key of the certificate in --http-cert";
        return nullptr;
    }
    return std::unique_ptr<TlsCredentials>(new TlsCredentials(std::move(parts)));
}

TlsCredentials::TlsCredentials(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
TlsCredentials::~TlsCredentials() = default;

void* TlsCredentials::chain() const { return parts_->chain.data(); }
unsigned TlsCredentials::chainLength() const { return static_cast<unsigned>(parts_->chain.size()); }
void* TlsCredentials::key() const { return parts_->key; }

}  // namespace ravo
