#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "Classes/sync/AsyncSocket.h"
#include "tests/sync/SocketTestSupport.h"

namespace tallo::test {
namespace {

// A fresh self-signed certificate for "localhost" and its key, as PEM.
struct Identity {
    std::string certificate;
    std::string key;
};

std::string pem(const std::function<int(BIO*)>& write) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string out(data, size_t(length));
    BIO_free(bio);
    return out;
}

Identity makeIdentity() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* altName = X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "DNS:localhost");
    X509_add_ext(cert, altName, -1);
    X509_EXTENSION_free(altName);
    X509_sign(cert, key, EVP_sha256());
    Identity identity{pem([&](BIO* bio) { return PEM_write_bio_X509(bio, cert); }),
                      pem([&](BIO* bio) {
                          return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
                      })};
    X509_free(cert);
    EVP_PKEY_free(key);
    return identity;
}

class TLSTest : public SocketTest {
protected:
    void SetUp() override {
        listener = listen();
        sock = connectClient(listener);
        accepted = server.accepted.back();
        identity = makeIdentity();
        serverSettings.isServer = true;
        serverSettings.certificateChain = identity.certificate;
        serverSettings.privateKey = identity.key;
        clientSettings.trustedCertificates = identity.certificate;
        clientSettings.peerName = "localhost";
    }
    std::shared_ptr<AsyncSocket> listener, sock, accepted;
    Identity identity;
    AsyncSocket::TLSSettings serverSettings, clientSettings;
};

TEST_F(TLSTest, BothEndsSecureAndCarryMessagesAfterThePlainOnes) {
    const Data term = AsyncSocket::socketMessageEndData();
    accepted->readDataToData(term, -1, 1);
    accepted->startTLS(serverSettings);
    accepted->readDataToData(term, -1, 2);
    accepted->sendData(bytes("welcome"));

    sock->sendData(bytes("hello in the clear"));
    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 1; }));
    sock->startTLS(clientSettings);
    sock->sendData(bytes(std::string(100000, 's')));  // many records
    sock->readDataToData(term, -1, 3);

    ASSERT_TRUE(runUntil([&] { return server.reads.size() == 2 && client.reads.size() == 1; })) << log;
    EXPECT_TRUE(server.secured && client.secured);
    EXPECT_EQ(server.reads[0], "hello in the clear" + kEnd);
    EXPECT_EQ(server.reads[1], std::string(100000, 's') + kEnd);
    EXPECT_EQ(client.reads[0], "welcome" + kEnd);
    EXPECT_NE(log.find("server:read1(48)"), std::string::npos) << log;
    EXPECT_LT(log.find("server:read1(48)"), log.find("server:secure")) << log;
    EXPECT_LT(log.find("server:secure"), log.find("server:read2(100030)")) << log;
    EXPECT_LT(log.find("client:secure"), log.find("client:read3(37)")) << log;
    EXPECT_EQ(accepted->flags() & (AsyncSocket::flagStartingReadTLS | AsyncSocket::flagStartingWriteTLS), 0);

    // The secured connection ends as cleanly as a plain one.
    sock->disconnect();
    accepted->readDataToData(term, -1, 4);
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_FALSE(server.error);
}

TEST_F(TLSTest, AClientThatDoesNotTrustTheCertificateFailsTheHandshake) {
    clientSettings.trustedCertificates = makeIdentity().certificate;  // someone else's
    accepted->startTLS(serverSettings);
    sock->startTLS(clientSettings);
    sock->writeData(bytes("never sent"), -1, 1);
    ASSERT_TRUE(runUntil([&] { return client.disconnected && server.disconnected; })) << log;
    EXPECT_FALSE(client.secured || server.secured);
    ASSERT_TRUE(client.error);
    EXPECT_EQ(client.error->domain, "kCFStreamErrorDomainSSL");
    EXPECT_EQ(log.find("wrote"), std::string::npos);
}

TEST_F(TLSTest, AServerWithoutItsCertificateCannotStart) {
    serverSettings.privateKey = "not a key";
    accepted->startTLS(serverSettings);
    ASSERT_TRUE(runUntil([&] { return server.disconnected; }));
    EXPECT_EQ(server.error, (AsyncSocketError{"AsyncSocketErrorDomain", -1, "General CFSocket error"}));
}

}  // namespace
}  // namespace tallo::test
