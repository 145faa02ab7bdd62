#include "Platform/import/OfxReader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <libofx/libofx.h>

namespace tallo {

namespace {

struct Collected {
    Statement statement;
    std::vector<int> lines;  // the line of each <STMTTRN>, in order
    // Whether each holds a <TRNAMT>: libofx gives a missing amount as a valid 0.
    std::vector<bool> amounts;
    std::string error;
    int errorLine = 0;
};

std::string uppercase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

void findTransactions(std::string_view text, Collected& collected) {
    std::string upper = uppercase(text);
    int line = 1;
    size_t counted = 0;
    for (size_t at = upper.find("<STMTTRN>"); at != std::string::npos; at = upper.find("<STMTTRN>", at + 1)) {
        line += static_cast<int>(
            std::count(upper.begin() + static_cast<long>(counted), upper.begin() + static_cast<long>(at), '\n'));
        counted = at;
        collected.lines.push_back(line);
        size_t end = std::min(upper.find("</STMTTRN>", at), upper.find("<STMTTRN>", at + 1));
        collected.amounts.push_back(upper.substr(at, end == std::string::npos ? std::string::npos : end - at)
                                        .find("<TRNAMT>") != std::string::npos);
    }
}

Decimal amountFrom(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return Decimal::fromString(text).value_or(Decimal::notANumber());
}

// libofx gives the posting instant; the day is read in UTC, where libofx
// places a date written without a time (late morning), so the bank's day is
// the same in every zone the program runs in.
StatementDay dayFrom(time_t instant) {
    std::tm parts{};
    gmtime_r(&instant, &parts);
    return StatementDay{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

int onTransaction(const struct OfxTransactionData data, void* user) {
    auto* collected = static_cast<Collected*>(user);
    StatementEntry entry;
    size_t index = collected->statement.entries.size();
    entry.line = index < collected->lines.size() ? collected->lines[index] : 0;
    if (!collected->error.empty()) return 0;
    bool hasAmount = data.amount_valid && (index >= collected->amounts.size() || collected->amounts[index]);
    if (!hasAmount || !(data.date_posted_valid || data.date_initiated_valid)) {
        collected->error = "line " + std::to_string(entry.line) + ": an entry without " +
                           (hasAmount ? "a date" : "an amount");
        collected->errorLine = entry.line;
        return 0;
    }
    entry.amount = amountFrom(data.amount);
    entry.day = dayFrom(data.date_posted_valid ? data.date_posted : data.date_initiated);
    if (!isValidStatementDay(entry.day)) {
        collected->error = "line " + std::to_string(entry.line) + ": a date out of range";
        collected->errorLine = entry.line;
        return 0;
    }
    if (data.fi_id_valid) entry.fitid = data.fi_id;
    if (data.name_valid) entry.payee = data.name;
    if (data.memo_valid) entry.memo = data.memo;
    if (data.check_number_valid) entry.number = data.check_number;
    if (entry.payee.empty() && !entry.memo.empty()) std::swap(entry.payee, entry.memo);
    collected->statement.entries.push_back(std::move(entry));
    return 0;
}

int onStatement(const struct OfxStatementData data, void* user) {
    auto* collected = static_cast<Collected*>(user);
    if (data.currency_valid && collected->statement.currency.empty()) collected->statement.currency = data.currency;
    return 0;
}

int onAccount(const struct OfxAccountData data, void* user) {
    auto* collected = static_cast<Collected*>(user);
    if (data.account_id_valid && collected->statement.accountId.empty()) {
        collected->statement.accountId = data.account_number;
    }
    if (data.currency_valid && collected->statement.currency.empty()) collected->statement.currency = data.currency;
    return 0;
}

// libofx reads files only: the text goes to a private temporary file.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string_view text) {
        std::string pattern = (std::filesystem::temp_directory_path() / "tallo-ofx-XXXXXX").string();
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) return;
        path_ = pattern;
        size_t written = 0;
        while (written < text.size()) {
            ssize_t n = ::write(fd, text.data() + written, text.size() - written);
            if (n <= 0) break;
            written += static_cast<size_t>(n);
        }
        ::close(fd);
        complete_ = written == text.size();
    }
    ~TemporaryFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    bool ok() const { return complete_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool complete_ = false;
};

}  // namespace

StatementResult OfxReader::read(std::string_view text) {
    StatementResult result;
    if (uppercase(text).find("<OFX>") == std::string::npos) {
        result.error = "line 1: not an OFX statement (no <OFX> element)";
        result.errorLine = 1;
        return result;
    }
    TemporaryFile file(text);
    if (!file.ok()) {
        result.error = "line 0: the statement could not be written to a temporary file";
        return result;
    }
    ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = ofx_DEBUG4_msg =
        ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = ofx_ERROR_msg = 0;
    Collected collected;
    findTransactions(text, collected);
    LibofxContextPtr context = libofx_get_new_context();
    ofx_set_transaction_cb(context, onTransaction, &collected);
    ofx_set_statement_cb(context, onStatement, &collected);
    ofx_set_account_cb(context, onAccount, &collected);
    libofx_proc_file(context, file.path().c_str(), AUTODETECT);
    libofx_free_context(context);
    if (collected.error.empty() && collected.statement.entries.size() < collected.lines.size()) {
        // libofx passes over what its grammar does not allow (a cut-off file,
        // a missing amount): an entry the text has and libofx did not give.
        collected.errorLine = collected.lines[collected.statement.entries.size()];
        collected.error = "line " + std::to_string(collected.errorLine) +
                          ": this entry could not be read (a tag missing or out of place, or the file cut off)";
    }
    if (!collected.error.empty()) {
        result.error = collected.error;
        result.errorLine = collected.errorLine;
        return result;
    }
    result.statement = std::move(collected.statement);
    return result;
}

}  // namespace tallo
