#include "app/cmdline.h"

#include <climits>
#include <cstring>
#include <utility>

#include "base/text260.h"

namespace {

CmdLineLogFn g_cmdLineLog = nullptr;

void LogCmdLine(const char* text) {
  if (g_cmdLineLog != nullptr) g_cmdLineLog(text);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsName(char c) {
  return IsDigit(c) || c == '"' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where one switch lies in the text.
struct SwitchPos {
  std::size_t nameBegin = 0;
  std::size_t nameEnd = 0;
  std::size_t p = 0;       // last character of the length run, or the name's end
  std::size_t length = 0;  // explicit length, 0 for none
};

// Explicit lengths beyond this are all alike (longer than any text); saturating keeps
// the arithmetic from wrapping on a run of digits.
constexpr std::size_t kLengthCap = INT_MAX;

// Walks the switches of a text front to back. GetSwitchAt and ApplySwitches share it, so
// applying all switches stays linear in the text's length.
class SwitchScanner {
 public:
  SwitchScanner(const char* text, std::size_t len) : m_text(text), m_len(len) {}

  bool Next(SwitchPos* out) {
    while (m_j < m_len) {
      const char ch = m_text[m_j];
      if (!m_inQuotes && ch == '/') {
        SwitchPos s;
        s.nameBegin = m_j + 1;
        std::size_t e = s.nameBegin;
        while (e < m_len && !EndsName(m_text[e])) ++e;
        s.nameEnd = e;
        // The length run: digits among anything up to a quote, a '/' or a line feed.
        std::size_t q = e;
        std::size_t n = 0;
        while (q < m_len && m_text[q] != '"' && m_text[q] != '/' && m_text[q] != '\n') {
          if (IsDigit(m_text[q])) {
            const std::size_t digit = static_cast<std::size_t>(m_text[q] - '0');
            n = (n > (kLengthCap - digit) / 10) ? kLengthCap : n * 10 + digit;
          }
          ++q;
        }
        s.p = (q > e) ? q - 1 : e;
        s.length = n;
        m_lastLength = n;
        if (n > 0) {
          // The value is skipped by its length, quotes and all.
          m_j = (n >= m_len) ? m_len : s.p + n + 2;
        } else {
          m_j = s.p;
          if (m_j < m_len && m_text[m_j] == '"') m_inQuotes = !m_inQuotes;
          ++m_j;
        }
        *out = s;
        return true;
      }
      // After a switch with an explicit length, loose quotes do not open a quoted run.
      if (m_lastLength == 0 && ch == '"') m_inQuotes = !m_inQuotes;
      ++m_j;
    }
    return false;
  }

 private:
  const char* m_text;
  std::size_t m_len;
  std::size_t m_j = 0;
  bool m_inQuotes = false;
  std::size_t m_lastLength = 0;
};

int FailSwitch(char* name, std::size_t nameSize, char* value, std::size_t valueSize) {
  if (name != nullptr && nameSize > 0) name[0] = '\0';
  if (value != nullptr && valueSize > 0) value[0] = '\0';
  return -1;
}

// Copies the name and value of one switch into the caller's buffers.
int ProduceSwitch(const char* text, std::size_t len, const SwitchPos& s, char* name, std::size_t nameSize,
                  char* value, std::size_t valueSize) {
  std::size_t valueBegin = 0;
  std::size_t valueLen = 0;
  std::size_t result = 0;
  if (s.length > 0) {
    result = s.length;
    if (s.p + s.length + 1 < len) {
      const void* found = std::memchr(text + s.p, '"', len - s.p);
      if (found == nullptr) return FailSwitch(name, nameSize, value, valueSize);
      const std::size_t quote = static_cast<std::size_t>(static_cast<const char*>(found) - text);
      // A length that runs past the end of the text gives no value rather than bytes
      // beyond it.
      if (quote + s.length < len) {
        valueBegin = quote + 1;
        valueLen = s.length;
      }
    }
  } else {
    // The quoted run after p: a '/' or line feed before the opening quote means none.
    std::size_t i = s.p;
    while (i < len && text[i] != '"' && text[i] != '/' && text[i] != '\n') ++i;
    if (i < len && text[i] == '"') {
      const std::size_t open = i;
      std::size_t n = 0;
      for (i = open + 1; i < len && text[i] != '"' && text[i] != '\n'; ++i) ++n;
      result = n;
      if (n > 0 && s.p + n + 1 < len) {
        valueBegin = open + 1;
        valueLen = n;
      }
    }
  }

  std::size_t nameLen = s.nameEnd - s.nameBegin;
  if (nameLen > kMaxSwitchName) nameLen = kMaxSwitchName;
  if (!TextCopyN(name, nameSize, text + s.nameBegin, nameLen) ||
      !TextCopyN(value, valueSize, text + valueBegin, valueLen)) {
    return FailSwitch(name, nameSize, value, valueSize);
  }
  return static_cast<int>(result);
}

struct StringSwitch {
  const char* name;
  ByteString CCmdLineInfo::*member;
};

struct FlagSwitch {
  const char* name;
  std::int32_t CCmdLineInfo::*member;
};

const StringSwitch kStringSwitches[] = {
    {"P", &CCmdLineInfo::m_szPrinterName}, {"D", &CCmdLineInfo::m_szDriverName}, {"O", &CCmdLineInfo::m_szPortName},
    {"M", &CCmdLineInfo::m_szModelID},     {"J", &CCmdLineInfo::m_szJ},          {"KVM", &CCmdLineInfo::m_szKVM},
    {"T", &CCmdLineInfo::m_szT},           {"L", &CCmdLineInfo::m_szL},          {"N", &CCmdLineInfo::m_szN},
    {"IC", &CCmdLineInfo::m_szIC},         {"CN", &CCmdLineInfo::m_szCN},        {"TC", &CCmdLineInfo::m_szTC},
    {"X", &CCmdLineInfo::m_szX},           {"PS", &CCmdLineInfo::m_szPS},        {"RP", &CCmdLineInfo::m_szRP},
};

const FlagSwitch kFlagSwitches[] = {
    {"R", &CCmdLineInfo::m_fRemove},   {"S", &CCmdLineInfo::m_fS},   {"U", &CCmdLineInfo::m_fU},
    {"C", &CCmdLineInfo::m_fC},        {"E", &CCmdLineInfo::m_fE},   {"I", &CCmdLineInfo::m_fIconInstall},
    {"DP", &CCmdLineInfo::m_fDP},      {"A", &CCmdLineInfo::m_fA},   {"ASMRT", &CCmdLineInfo::m_fASMRT},
    {"PPOP", &CCmdLineInfo::m_fPPOP},  {"BSR", &CCmdLineInfo::m_fBSR}, {"TD", &CCmdLineInfo::m_fTD},
};

// Lines of a parameter file, in the order they are written. F and EF never are.
enum class LineKind { kString, kFlag, kNumber };
struct ParamLine {
  LineKind kind;
  const char* name;
  ByteString CCmdLineInfo::*text;
  std::int32_t CCmdLineInfo::*number;
};

const ParamLine kParamLines[] = {
    {LineKind::kString, "P", &CCmdLineInfo::m_szPrinterName, nullptr},
    {LineKind::kString, "D", &CCmdLineInfo::m_szDriverName, nullptr},
    {LineKind::kString, "O", &CCmdLineInfo::m_szPortName, nullptr},
    {LineKind::kString, "M", &CCmdLineInfo::m_szModelID, nullptr},
    {LineKind::kString, "J", &CCmdLineInfo::m_szJ, nullptr},
    {LineKind::kFlag, "S", nullptr, &CCmdLineInfo::m_fS},
    {LineKind::kFlag, "R", nullptr, &CCmdLineInfo::m_fRemove},
    {LineKind::kFlag, "E", nullptr, &CCmdLineInfo::m_fE},
    {LineKind::kFlag, "U", nullptr, &CCmdLineInfo::m_fU},
    {LineKind::kFlag, "C", nullptr, &CCmdLineInfo::m_fC},
    {LineKind::kString, "KVM", &CCmdLineInfo::m_szKVM, nullptr},
    {LineKind::kFlag, "I", nullptr, &CCmdLineInfo::m_fIconInstall},
    {LineKind::kNumber, "HWND", nullptr, &CCmdLineInfo::m_nHWND},
    {LineKind::kFlag, "SPL", nullptr, &CCmdLineInfo::m_fSPL},
    {LineKind::kFlag, "DP", nullptr, &CCmdLineInfo::m_fDP},
    {LineKind::kFlag, "A", nullptr, &CCmdLineInfo::m_fA},
    {LineKind::kString, "T", &CCmdLineInfo::m_szT, nullptr},
    {LineKind::kString, "L", &CCmdLineInfo::m_szL, nullptr},
    {LineKind::kString, "N", &CCmdLineInfo::m_szN, nullptr},
    {LineKind::kString, "IC", &CCmdLineInfo::m_szIC, nullptr},
    {LineKind::kString, "CN", &CCmdLineInfo::m_szCN, nullptr},
    {LineKind::kFlag, "ASMRT", nullptr, &CCmdLineInfo::m_fASMRT},
    {LineKind::kString, "TC", &CCmdLineInfo::m_szTC, nullptr},
    {LineKind::kFlag, "PPOP", nullptr, &CCmdLineInfo::m_fPPOP},
    {LineKind::kString, "X", &CCmdLineInfo::m_szX, nullptr},
    {LineKind::kString, "PS", &CCmdLineInfo::m_szPS, nullptr},
    {LineKind::kFlag, "BSR", nullptr, &CCmdLineInfo::m_fBSR},
    {LineKind::kString, "RP", &CCmdLineInfo::m_szRP, nullptr},
    {LineKind::kFlag, "TD", nullptr, &CCmdLineInfo::m_fTD},
};

constexpr std::size_t kParamLineSize = 276;

// One value line. A double quote or line feed inside the value would end the quoted
// run early when read back (a printer named A" /R "B would turn into a remove switch),
// so such a value is written with its length, which the reader takes verbatim.
bool FormatValueLine(char (&line)[kParamLineSize], const char* name, const ByteString& value) {
  if (value.find('\0') != ByteString::npos) return false;  // cannot be written as text
  if (value.find_first_of("\"\n") == ByteString::npos) return TEXT_FORMAT(line, "/%s \"%s\"\n", name, value.c_str());
  return TEXT_FORMAT(line, "/%s%u \"%s\"\n", name, static_cast<unsigned>(value.size()), value.c_str());
}

}  // namespace

void SetCmdLineLog(CmdLineLogFn fn) { g_cmdLineLog = fn; }

std::int32_t ReadSignedDecimal(const char* text) {
  if (text == nullptr) return 0;
  const char* s = text;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\v' || *s == '\f' || *s == '\r') ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = (*s++ == '-');
  long long n = 0;
  for (; IsDigit(*s); ++s) {
    n = n * 10 + (*s - '0');
    if (n > static_cast<long long>(INT32_MAX) + 1) n = static_cast<long long>(INT32_MAX) + 1;
  }
  if (negative) n = -n;
  if (n > INT32_MAX) n = INT32_MAX;
  return static_cast<std::int32_t>(n);
}

CCmdLineParser::~CCmdLineParser() = default;

int CCmdLineParser::GetSwitchAt(int k, char* name, std::size_t nameSize, char* value, std::size_t valueSize) const {
  if (name == nullptr || nameSize == 0 || value == nullptr || valueSize == 0) {
    return FailSwitch(name, nameSize, value, valueSize);
  }
  if (k < 0) return FailSwitch(name, nameSize, value, valueSize);
  const char* text = m_szCmdLine.c_str();
  // The text ends at its first zero byte, as the program's other readers see it.
  const std::size_t len = std::strlen(text);
  SwitchScanner scanner(text, len);
  SwitchPos s;
  for (int c = 0;; ++c) {
    if (!scanner.Next(&s)) return FailSwitch(name, nameSize, value, valueSize);
    if (c == k) return ProduceSwitch(text, len, s, name, nameSize, value, valueSize);
  }
}

CCmdLineInfo::~CCmdLineInfo() = default;

void CCmdLineInfo::ApplySwitch(const char* name, const char* value) {
  if (name == nullptr) return;
  if (value == nullptr) value = "";
  for (const StringSwitch& sw : kStringSwitches) {
    if (EqualNoCase(name, sw.name)) {
      this->*sw.member = value;
      return;
    }
  }
  for (const FlagSwitch& sw : kFlagSwitches) {
    if (EqualNoCase(name, sw.name)) {
      this->*sw.member = 1;
      return;
    }
  }
  if (EqualNoCase(name, "EF")) {
    if (EqualNoCase(value, "HKCU")) {
      m_IconFrom = 1;
    } else if (EqualNoCase(value, "HKLM")) {
      m_IconFrom = 2;
    }
  } else if (EqualNoCase(name, "HWND")) {
    LogCmdLine("/HWND");
    m_nHWND = ReadSignedDecimal(value);
  } else if (EqualNoCase(name, "SPL")) {
    LogCmdLine("/SPL");
    m_fSPL = 1;
  }
}

int CCmdLineInfo::ApplySwitches() {
  const char* text = m_szCmdLine.c_str();
  const std::size_t len = std::strlen(text);
  SwitchScanner scanner(text, len);
  SwitchPos s;
  int named = 0;
  Text260 name;
  Text260 value;
  while (scanner.Next(&s)) {
    if (ProduceSwitch(text, len, s, name, sizeof name, value, sizeof value) < 0) break;
    ApplySwitch(name, value);
    if (EqualNoCase(name, "F")) {
      m_szParamFile = value;
      named = 1;
    }
  }
  return named;
}

void CCmdLineInfo::Reset() {
  ByteString keep = std::move(m_szCmdLine);
  *this = CCmdLineInfo();
  m_szCmdLine = std::move(keep);
}

int CCmdLineInfo::BuildParamFileText(ByteString* out) const {
  if (out == nullptr) return 0;
  out->clear();
  char line[kParamLineSize];
  for (const ParamLine& l : kParamLines) {
    bool ok = true;
    switch (l.kind) {
      case LineKind::kString: {
        const ByteString& value = this->*l.text;
        if (value.empty()) continue;
        ok = FormatValueLine(line, l.name, value);
        break;
      }
      case LineKind::kFlag:
        if (this->*l.number != 1) continue;
        ok = TEXT_FORMAT(line, "/%s\n", l.name);
        break;
      case LineKind::kNumber:
        if (this->*l.number == 0) continue;
        ok = TEXT_FORMAT(line, "/%s \"%d\"\n", l.name, static_cast<int>(this->*l.number));
        break;
    }
    if (!ok) return 0;
    *out += line;
  }
  return 1;
}
