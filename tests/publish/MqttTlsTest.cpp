// MQTT over TLS against a mosquitto TLS listener of the test's own, with a CA and
// certificates the test makes with openssl: the broker's certificate must chain to
// the CA given and name the host, and a broker that asks for the program's own
// certificate gets it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "Broker.h"
#include "publish/MqttPublisher.h"

namespace ravo {
namespace {

using namespace std::chrono_literals;

// A folder of keys and certificates: ca (the broker's CA), other-ca (a CA the
// broker never used), server (localhost and 127.0.0.1, by ca), wrong-name
// (elsewhere.example, by ca), client (by ca).
class Certificates {
public:
    Certificates() {
        char dir[] = "/tmp/ravo-tls-XXXXXX";
        dir_ = mkdtemp(dir) ? dir : "";
        ok_ = !dir_.empty() && ca("ca") && ca("other-ca") && issue("server", "DNS:localhost,IP:127.0.0.1") &&
              issue("wrong-name", "DNS:elsewhere.example") && issue("client", "DNS:ravo-client");
        // mosquitto drops its privileges: it must be able to read the files.
        run("chmod -R a+rX " + dir_);
    }
    ~Certificates() {
        if (!dir_.empty()) run("rm -rf " + dir_);
    }
    bool ok() const { return ok_; }
    std::string operator()(const std::string& name) const { return dir_ + "/" + name; }

private:
    inline static const std::string kKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    static bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
    bool ca(const std::string& name) {
        return run("openssl req -x509 " + kKey + " -days 2 -subj /CN=" + name + " -keyout " + (*this)(name) +
                   ".key -out " + (*this)(name) + ".crt");
    }
    bool issue(const std::string& name, const std::string& san) {
        const std::string f = (*this)(name);
        std::ofstream(f + ".ext") << "subjectAltName=" << san << "\n";
        return run("openssl req " + kKey + " -subj /CN=" + name + " -keyout " + f + ".key -out " + f + ".csr") &&
               run("openssl x509 -req -in " + f + ".csr -CA " + (*this)("ca.crt") + " -CAkey " + (*this)("ca.key") +
                   " -CAcreateserial -days 2 -extfile " + f + ".ext -out " + f + ".crt");
    }
    std::string dir_;
    bool ok_ = false;
};

TEST(MqttTls, TheBrokerIsVerifiedAndAFailureSaysWhy) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    const Certificates certs;
    ASSERT_TRUE(certs.ok()) << "openssl could not make the test's certificates";
    struct Case {
        const char* what;
        const char* serverCert;  // the broker's certificate
        bool askForClient;       // the broker requires the program's certificate
        const char* caFile;      // what the program trusts
        bool clientCert;         // the program presents one
        const char* why;         // nullptr: connects and delivers; else part of the reason
    } cases[] = {
        {"the right CA", "server", false, "ca.crt", false, nullptr},
        {"another CA", "server", false, "other-ca.crt", false, "certificate verify failed"},
        {"a certificate for another host", "wrong-name", false, "ca.crt", false, "certificate verify failed"},
        {"the program's certificate asked for and given", "server", true, "ca.crt", true, nullptr},
        {"the program's certificate asked for, none given", "server", true, "ca.crt", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::Broker broker(false, "cafile " + certs("ca.crt") + "\ncertfile " + certs(c.serverCert) +
                                       ".crt\nkeyfile " + certs(c.serverCert) + ".key\n" +
                                       (c.askForClient ? "require_certificate true\n" : ""));
        ASSERT_TRUE(broker.start());
        std::string error;
        MqttPublisherSettings s;
        // The address, not "localhost": the broker listens on IPv4 only, and where
        // localhost is ::1 first the connection would not reach it.
        s.url = *parseMqttUrl("mqtts://127.0.0.1:" + std::to_string(broker.port()) + "/site", error);
        s.tls.caFile = certs(c.caFile);
        if (c.clientCert) s.tls = {certs(c.caFile), certs("client.crt"), certs("client.key")};
        s.firstRetry = 200ms;
        MqttPublisher publisher(s);
        ASSERT_TRUE(publisher.start());
        ASSERT_TRUE(publisher.publish("site/readings", "{}"));
        if (!c.why) {
            for (int i = 0; i < 500 && publisher.delivered() == 0; ++i) std::this_thread::sleep_for(10ms);
            EXPECT_EQ(publisher.delivered(), 1u) << publisher.lastError();
            EXPECT_TRUE(publisher.connected());
        } else {
            for (int i = 0; i < 500 && publisher.lastError().empty(); ++i) std::this_thread::sleep_for(10ms);
            std::this_thread::sleep_for(300ms);  // a refusal after the handshake comes a moment later
            EXPECT_FALSE(publisher.connected());
            EXPECT_EQ(publisher.delivered(), 0u);
            EXPECT_NE(publisher.lastError().find(c.why), std::string::npos) << publisher.lastError();
            EXPECT_FALSE(publisher.lastError().empty());
        }
        publisher.stop();
    }
}

TEST(MqttTls, FilesAreCheckedWithTheUrl) {
    const Certificates certs;
    ASSERT_TRUE(certs.ok());
    std::string error;
    const MqttUrl plain = *parseMqttUrl("mqtt://localhost", error);
    const MqttUrl tls = *parseMqttUrl("mqtts://localhost", error);
    struct Case {
        const MqttUrl* url;
        MqttTls files;
        const char* error;  // nullptr: accepted
    } cases[] = {
        {&tls, {}, nullptr},
        {&tls, {certs("ca.crt"), certs("client.crt"), certs("client.key")}, nullptr},
        {&plain, {certs("ca.crt"), "", ""}, "--mqtt-cafile is for mqtts:// URLs"},
        {&tls, {"", certs("client.crt"), ""}, "--mqtt-cert needs --mqtt-key"},
        {&tls, {"", "", certs("client.key")}, "--mqtt-key needs --mqtt-cert"},
        {&tls, {certs("missing.crt"), "", ""}, "cannot read"},
    };
    for (const Case& c : cases) {
        error.clear();
        const bool ok = checkMqttTls(*c.url, c.files, error);
        EXPECT_EQ(ok, c.error == nullptr) << error;
        if (c.error) {
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        }
    }
}

}  // namespace
}  // namespace ravo
