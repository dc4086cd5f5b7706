#include "collect/json_document.h"

#include "text/encoding.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <duktape.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace tk {

namespace {

const char kSupportScript[] =
    "function get__count(c){var i=-2;for(v in c)i++;return i}"
    "(function(){'use strict';"
    "var g=Function('return this')();"
    "if(typeof g.JSON!=='object'||g.JSON===null){g.JSON={};}"
    "var J=g.JSON;"
    "function esc(s){return '\"'+s.replace(/[\\\\\"\\u0000-\\u001f\\u2028\\u2029]/g,function(c){"
    "var m={'\\b':'\\\\b','\\t':'\\\\t','\\n':'\\\\n','\\f':'\\\\f','\\r':'\\\\r','\"':'\\\\\"','\\\\':'\\\\\\\\'};"
    "return m[c]||'\\\\u'+('0000'+c.charCodeAt(0).toString(16)).slice(-4);})+'\"';}"
    "if(typeof Date.prototype.toJSON!=='function'){Date.prototype.toJSON=function(){"
    "function p(n){return n<10?'0'+n:n;}return isFinite(this.valueOf())?this.getUTCFullYear()+'-'+p(this.getUTCMonth()+1)"
    "+'-'+p(this.getUTCDate())+'T'+p(this.getUTCHours())+':'+p(this.getUTCMinutes())+':'+p(this.getUTCSeconds())+'Z':null;};"
    "String.prototype.toJSON=Number.prototype.toJSON=Boolean.prototype.toJSON=function(){return this.valueOf();};}"
    "if(typeof J.stringify!=='function'){J.stringify=function(value,filter,indent){"
    "var gap=typeof indent==='number'?new Array(indent+1).join(' '):(typeof indent==='string'?indent:'');"
    "function str(key,holder,lead){var v=holder[key];"
    "if(v&&typeof v==='object'&&typeof v.toJSON==='function'){v=v.toJSON(key);}"
    "if(typeof filter==='function'){v=filter.call(holder,key,v);}"
    "switch(typeof v){case 'string':return esc(v);case 'number':return isFinite(v)?String(v):'null';"
    "case 'boolean':return String(v);case 'object':if(!v){return 'null';}"
    "var inner=lead+gap,parts=[],i,k,s;"
    "if(Object.prototype.toString.call(v)==='[object Array]'){for(i=0;i<v.length;i++){parts.push(str(i,v,inner)||'null');}"
    "return parts.length===0?'[]':gap?'[\\n'+inner+parts.join(',\\n'+inner)+'\\n'+lead+']':'['+parts.join(',')+']';}"
    "for(k in v){if(Object.prototype.hasOwnProperty.call(v,k)){s=str(k,v,inner);if(s){parts.push(esc(k)+(gap?': ':':')+s);}}}"
    "return parts.length===0?'{}':gap?'{\\n'+inner+parts.join(',\\n'+inner)+'\\n'+lead+'}':'{'+parts.join(',')+'}';}"
    "return undefined;}"
    "return str('',{'':value},'');};}"
    "if(typeof J.parse!=='function'){J.parse=function(text,filter){"
    "var at=0,t=String(text);"
    "function fail(){throw new SyntaxError('JSON.parse');}"
    "function ws(){while(at<t.length&&' \\t\\n\\r'.indexOf(t.charAt(at))>=0){at++;}}"
    "function lit(w,v){if(t.substr(at,w.length)!==w){fail();}at+=w.length;return v;}"
    "function string(){var out='',c;at++;for(;;){if(at>=t.length){fail();}c=t.charAt(at++);"
    "if(c==='\"'){return out;}if(c==='\\\\'){c=t.charAt(at++);"
    "if(c==='u'){var h=t.substr(at,4);if(!/^[0-9a-fA-F]{4}$/.test(h)){fail();}out+=String.fromCharCode(parseInt(h,16));at+=4;}"
    "else{var e={'\"':'\"','\\\\':'\\\\','/':'/','b':'\\b','f':'\\f','n':'\\n','r':'\\r','t':'\\t'}[c];"
    "if(e===undefined){fail();}out+=e;}}else{out+=c;}}}"
    "function number(){var m=/^-?(0|[1-9]\\d*)(\\.\\d+)?([eE][+-]?\\d+)?/.exec(t.substr(at));if(!m){fail();}"
    "at+=m[0].length;return Number(m[0]);}"
    "function value(){ws();var c=t.charAt(at),r,k;"
    "if(c==='{'){at++;r={};ws();if(t.charAt(at)==='}'){at++;return r;}"
    "for(;;){ws();if(t.charAt(at)!=='\"'){fail();}k=string();ws();if(t.charAt(at++)!==':'){fail();}"
    "r[k]=value();ws();c=t.charAt(at++);if(c==='}'){return r;}if(c!==','){fail();}}}"
    "if(c==='['){at++;r=[];ws();if(t.charAt(at)===']'){at++;return r;}"
    "for(;;){r.push(value());ws();c=t.charAt(at++);if(c===']'){return r;}if(c!==','){fail();}}}"
    "if(c==='\"'){return string();}if(c==='t'){return lit('true',true);}if(c==='f'){return lit('false',false);}"
    "if(c==='n'){return lit('null',null);}return number();}"
    "function walk(holder,key){var k,v=holder[key];if(v&&typeof v==='object'){for(k in v){"
    "if(Object.prototype.hasOwnProperty.call(v,k)){var n=walk(v,k);if(n!==undefined){v[k]=n;}else{delete v[k];}}}}"
    "return filter.call(holder,key,v);}"
    "var result=value();ws();if(at<t.length){fail();}"
    "return typeof filter==='function'?walk({'':result},''):result;};}"
    "if(typeof Object.prototype.toJSONString!=='function'){"
    "Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter);};"
    "Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter);};}"
    "}());";

// Duktape reports surrogate pairs from \u escapes as two 3-byte sequences; join them into one UTF-8 character
// so that the GBK conversion sees a character rather than two broken ones.
std::string joinSurrogates(std::string_view s) {
    if (s.find('\xED') == std::string_view::npos) return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
        if (i + 5 < s.size() && b(i) == 0xED && (b(i + 1) & 0xF0) == 0xA0 && b(i + 3) == 0xED &&
            (b(i + 4) & 0xF0) == 0xB0) {
            unsigned hi = 0xD000 | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
            unsigned lo = 0xD000 | ((b(i + 4) & 0x3F) << 6) | (b(i + 5) & 0x3F);
            unsigned cp = 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            i += 6;
        } else {
            out += s[i++];
        }
    }
    return out;
}

std::string fromEngine(const char* data, size_t len) { return Utf8ToGbk(joinSurrogates(std::string_view(data, len))); }

thread_local std::jmp_buf* t_fatalJump = nullptr;

// Duktape calls this only for errors outside a protected call or a broken heap; every request here is
// protected, so this is a last line of defence: leave the request, and the engine is never used again.
void onFatal(void*, const char*) {
    if (t_fatalJump) std::longjmp(*t_fatalJump, 1);
    std::abort();
}

// What a request does with the value of its expression.
enum class Transform { None, IsNull, TypeName, Stringify, CountFn };
enum class Want { Nothing, Text, Number, Truth };

struct Segment {
    const char* name; // null for an index
    size_t length;
    duk_uarridx_t index;
};

struct RequestArgs {
    const char* source; // eval path
    size_t sourceLength;
    const std::vector<Segment>* segments; // fast path when not null
    const char* root;
    Transform transform;
    Want want;
};

void coerce(duk_context* ctx, Want want) {
    switch (want) {
    case Want::Nothing:
        break;
    case Want::Text:
        if (duk_is_null_or_undefined(ctx, -1)) {
            duk_pop(ctx);
            duk_push_string(ctx, "");
        } else {
            duk_to_string(ctx, -1);
        }
        break;
    case Want::Number:
        if (duk_is_null_or_undefined(ctx, -1)) {
            duk_pop(ctx);
            duk_push_number(ctx, 0);
        } else {
            duk_to_number(ctx, -1);
        }
        break;
    case Want::Truth:
        duk_to_boolean(ctx, -1);
        break;
    }
}

duk_ret_t runRequest(duk_context* ctx, void* udata) {
    auto* a = static_cast<RequestArgs*>(udata);
    if (!a->segments) {
        duk_eval_lstring(ctx, a->source, a->sourceLength);
        coerce(ctx, a->want);
        return 1;
    }
    // The member path walked directly: the same lookups (prototype chain included) and the same TypeError
    // on a missing parent as the script text would give, without compiling it.
    if (!duk_get_global_string(ctx, a->root)) duk_error(ctx, DUK_ERR_REFERENCE_ERROR, "not defined");
    for (const Segment& s : *a->segments) {
        if (duk_is_null_or_undefined(ctx, -1)) duk_error(ctx, DUK_ERR_TYPE_ERROR, "no parent");
        if (s.name) duk_get_prop_lstring(ctx, -1, s.name, s.length);
        else duk_get_prop_index(ctx, -1, s.index);
        duk_remove(ctx, -2);
    }
    switch (a->transform) {
    case Transform::None:
        break;
    case Transform::IsNull: {
        bool isNull = duk_is_null_or_undefined(ctx, -1);
        duk_pop(ctx);
        duk_push_boolean(ctx, isNull);
        break;
    }
    case Transform::TypeName: {
        const char* name = "object";
        switch (duk_get_type(ctx, -1)) {
        case DUK_TYPE_UNDEFINED: name = "undefined"; break;
        case DUK_TYPE_BOOLEAN: name = "boolean"; break;
        case DUK_TYPE_NUMBER: name = "number"; break;
        case DUK_TYPE_STRING: name = "string"; break;
        case DUK_TYPE_LIGHTFUNC: name = "function"; break;
        case DUK_TYPE_OBJECT: name = duk_is_function(ctx, -1) ? "function" : "object"; break;
        default: break;
        }
        duk_pop(ctx);
        duk_push_string(ctx, name);
        break;
    }
    case Transform::Stringify:
        duk_get_global_string(ctx, "JSON");
        duk_get_prop_string(ctx, -1, "stringify");
        duk_remove(ctx, -2);
        duk_swap_top(ctx, -2);
        duk_call(ctx, 1);
        break;
    case Transform::CountFn:
        duk_get_global_string(ctx, "get__count");
        duk_swap_top(ctx, -2);
        duk_call(ctx, 1);
        break;
    }
    coerce(ctx, a->want);
    return 1;
}

duk_ret_t decodeInto(duk_context* ctx, void* udata) {
    auto* a = static_cast<RequestArgs*>(udata);
    duk_push_lstring(ctx, a->source, a->sourceLength);
    duk_json_decode(ctx, -1);
    duk_put_global_string(ctx, a->root);
    return 0;
}

bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Splits name(.ident|[index])* into segments; false for anything else, which then goes to the engine as text.
bool simplePath(std::string_view expr, std::string_view root, std::vector<Segment>& out) {
    if (expr.substr(0, root.size()) != root) return false;
    size_t i = root.size();
    while (i < expr.size()) {
        if (expr[i] == '.') {
            size_t start = ++i;
            if (i >= expr.size() || !isIdentStart(expr[i])) return false;
            while (i < expr.size() && (isIdentStart(expr[i]) || isDigit(expr[i]))) ++i;
            out.push_back({expr.data() + start, i - start, 0});
        } else if (expr[i] == '[') {
            size_t start = ++i;
            while (i < expr.size() && isDigit(expr[i])) ++i;
            size_t n = i - start;
            // No leading zeros (they read as octal) and nothing that leaves the 32-bit index range.
            if (n == 0 || n > 9 || (n > 1 && expr[start] == '0') || i >= expr.size() || expr[i] != ']') return false;
            out.push_back({nullptr, 0, static_cast<duk_uarridx_t>(std::strtoul(expr.data() + start, nullptr, 10))});
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

// One Duktape heap. Requests run protected; after a fatal error the heap is abandoned (never touched again).
class ScriptEngine {
public:
    ScriptEngine() {
        m_ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, onFatal);
        if (m_ctx) run(kSupportScript);
    }
    ~ScriptEngine() {
        if (m_ctx && !m_broken) duk_destroy_heap(m_ctx);
    }
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    bool usable() const { return m_ctx && !m_broken; }

    struct Answer {
        bool ok = false;
        std::string text;
        double number = 0;
        bool truth = false;
    };

    // Source text in UTF-8.
    void run(std::string_view utf8) {
        RequestArgs a{utf8.data(), utf8.size(), nullptr, nullptr, Transform::None, Want::Nothing};
        call(runRequest, a, Want::Nothing);
    }

    // A request for expr (GBK) wrapped as the operation says. When expr is a plain member path the engine walks
    // it directly; otherwise the wrapped text is evaluated.
    Answer request(const std::string& root, const std::string& expr, Transform transform, Want want) {
        std::vector<Segment> segments;
        if (simplePath(expr, root, segments)) {
            RequestArgs a{nullptr, 0, &segments, root.c_str(), transform, want};
            return call(runRequest, a, want);
        }
        std::string source;
        switch (transform) {
        case Transform::None: source = expr; break;
        case Transform::IsNull: source = expr + "==null"; break;
        case Transform::TypeName: source = "typeof (" + expr + ")"; break;
        case Transform::Stringify: source = "JSON.stringify(" + expr + ")"; break;
        case Transform::CountFn: source = "get__count(" + expr + ")"; break;
        }
        return evaluate(source, want);
    }

    // A whole request text (GBK).
    Answer evaluate(const std::string& gbkSource, Want want) {
        std::string utf8 = GbkToUtf8(gbkSource);
        RequestArgs a{utf8.data(), utf8.size(), nullptr, nullptr, Transform::None, want};
        return call(runRequest, a, want);
    }

    bool decode(const std::string& root, std::string_view gbkText) {
        std::string utf8 = GbkToUtf8(gbkText);
        RequestArgs a{utf8.data(), utf8.size(), nullptr, root.c_str(), Transform::None, Want::Nothing};
        return call(decodeInto, a, Want::Nothing).ok;
    }

private:
    duk_int_t protectedCall(duk_safe_call_function fn, RequestArgs& args) {
        std::jmp_buf jump;
        std::jmp_buf* outer = t_fatalJump;
        t_fatalJump = &jump;
        if (setjmp(jump) != 0) {
            t_fatalJump = outer;
            m_broken = true;
            return DUK_EXEC_ERROR;
        }
        duk_int_t rc = duk_safe_call(m_ctx, fn, &args, 0, 1);
        t_fatalJump = outer;
        return rc;
    }

    Answer call(duk_safe_call_function fn, RequestArgs& args, Want want) {
        Answer answer;
        if (!usable()) return answer;
        duk_int_t rc = protectedCall(fn, args);
        if (m_broken) return answer;
        if (rc == DUK_EXEC_SUCCESS) {
            answer.ok = true;
            switch (want) {
            case Want::Nothing: break;
            case Want::Text: {
                duk_size_t len = 0;
                const char* s = duk_get_lstring(m_ctx, -1, &len);
                if (s) answer.text = fromEngine(s, len);
                break;
            }
            case Want::Number: answer.number = duk_get_number(m_ctx, -1); break;
            case Want::Truth: answer.truth = duk_get_boolean(m_ctx, -1); break;
            }
        }
        duk_set_top(m_ctx, 0);
        return answer;
    }

    duk_context* m_ctx = nullptr;
    bool m_broken = false;
};

const char* JsonSupportScript() { return kSupportScript; }

JsonDocument::JsonDocument() { Init(); }
JsonDocument::~JsonDocument() = default;

std::string JsonDocument::ruleA(std::string_view path) const {
    return path.empty() ? m_name : m_name + "." + std::string(path);
}
std::string JsonDocument::ruleB(std::string_view path) const {
    return m_name + (path.substr(0, 1) == "[" ? "" : ".") + std::string(path);
}
std::string JsonDocument::ruleC(std::string_view path) const { return m_name + "." + std::string(path); }

void JsonDocument::Init() {
    auto engine = std::make_shared<ScriptEngine>();
    if (!engine->usable()) {
        m_engine.reset();
        return;
    }
    m_engine = std::move(engine);
    m_engine->evaluate("var " + m_name + "={}", Want::Nothing);
}

bool JsonDocument::Parse(std::string_view text) {
    if (m_engine) {
        m_engine.reset();
        Init();
    }
    if (!m_engine) return false;
    m_engine->evaluate("var " + m_name + "=null", Want::Nothing);
    m_engine->decode(m_name, text);
    return m_engine->evaluate("null !=" + m_name, Want::Truth).truth;
}

std::string JsonDocument::Serialize() {
    if (!m_engine) return {};
    return m_engine->request(m_name, m_name, Transform::Stringify, Want::Text).text;
}

void JsonDocument::SetMember(std::string_view key, std::string_view value, bool raw) {
    if (!m_engine) return;
    std::string k(key), v(value);
    if (raw) m_engine->evaluate(m_name + "." + k + "= eval(" + (v.empty() ? "{}" : v) + ")", Want::Nothing);
    else m_engine->evaluate(m_name + "." + k + "='" + v + "'", Want::Nothing);
}

void JsonDocument::SetMemberJson(std::string_view key, std::string_view jsonText) {
    if (!m_engine) return;
    m_engine->evaluate(m_name + "." + std::string(key) + "= eval(" + std::string(jsonText) + ")", Want::Nothing);
}

void JsonDocument::SetMemberNumber(std::string_view key, double number) {
    if (!m_engine) return;
    m_engine->evaluate(m_name + "." + std::string(key) + "=" + FormatReal(number), Want::Nothing);
}

double JsonDocument::GetNumber(std::string_view path) {
    if (!m_engine) return 0;
    double n = m_engine->request(m_name, ruleC(path), Transform::None, Want::Number).number;
    return n != n ? 0 : n; // NaN: the text was no number
}

std::string JsonDocument::GetJsonText(std::string_view path) {
    if (!m_engine) return {};
    return m_engine->request(m_name, ruleC(path), Transform::Stringify, Want::Text).text;
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) {
    if (!m_engine) return {};
    const std::string target = ruleB(path);
    if (asJson) return m_engine->request(m_name, target, Transform::Stringify, Want::Text).text;
    if (TypeOf(path) == Number) return FormatReal(GetNumber(path));
    return m_engine->request(m_name, target, Transform::None, Want::Text).text;
}

JsonDocument JsonDocument::GetSubDocument(std::string_view path) {
    JsonDocument sub;
    std::string text = m_engine ? m_engine->request(m_name, ruleB(path), Transform::Stringify, Want::Text).text : "";
    sub.Parse(text);
    return sub;
}

int JsonDocument::Count(std::string_view path) {
    if (!m_engine) return 0;
    std::string target = path.empty() ? m_name : m_name + (path.substr(0, 1) == "[" ? "" : ".") + std::string(path);
    return static_cast<int>(TruncToInt64(m_engine->request(m_name, target, Transform::CountFn, Want::Number).number));
}

void JsonDocument::Append(std::string_view value, std::string_view path, bool raw) {
    if (!m_engine) return;
    const std::string p = ruleA(path);
    const std::string q = raw ? "" : "'";
    m_engine->evaluate("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p + "=new Array();} " +
                           p + ".push(" + q + std::string(value) + q + ")",
                       Want::Nothing);
}

JsonDocument JsonDocument::GetElementDocument(int index, std::string_view path) {
    JsonDocument element;
    std::string text;
    if (m_engine)
        text = m_engine->request(m_name, ruleA(path) + "[" + std::to_string(index) + "]", Transform::Stringify,
                                 Want::Text)
                   .text;
    element.Parse(text);
    return element;
}

std::string JsonDocument::GetElementText(int index, std::string_view path, bool asJson) {
    if (!m_engine) return {};
    std::string target = ruleA(path) + "[" + std::to_string(index) + "]";
    return m_engine->request(m_name, target, asJson ? Transform::Stringify : Transform::None, Want::Text).text;
}

void JsonDocument::SetElement(int index, std::string_view value, bool raw) {
    if (!m_engine) return;
    const std::string q = raw ? "" : "'";
    m_engine->evaluate(m_name + "[" + std::to_string(index) + "]=" + q + std::string(value) + q, Want::Nothing);
}

void JsonDocument::RemoveElement(int index) {
    if (!m_engine) return;
    m_engine->evaluate(m_name + ".splice(" + std::to_string(index) + ",1)", Want::Nothing);
}

void JsonDocument::DeleteMember(std::string_view key) {
    if (!m_engine) return;
    m_engine->evaluate("delete " + m_name + "." + std::string(key), Want::Text);
}

void JsonDocument::ResetAs(int typeCode) {
    if (!m_engine) return;
    if (typeCode == Null || typeCode == Object) m_engine->evaluate("var " + m_name + "={}", Want::Nothing);
    else if (typeCode == Array) m_engine->evaluate("var " + m_name + "=new Array()", Want::Nothing);
}

void JsonDocument::SetRoot(std::string_view value, bool raw) {
    if (!m_engine) return;
    const std::string q = raw ? "" : "'";
    m_engine->evaluate(m_name + "=" + q + std::string(value) + q, Want::Truth);
}

bool JsonDocument::HasMember(std::string_view key) {
    if (!m_engine) return false;
    return m_engine->evaluate(m_name + "." + std::string(key) + " !=null", Want::Truth).truth;
}

int JsonDocument::ListKeys(std::string_view path, std::vector<std::string>& keys) {
    keys.clear();
    if (!m_engine) return 0;
    std::string text =
        m_engine->evaluate("var ary=''; for (var key in " + ruleA(path) + ") {ary=ary+ key+','; }", Want::Text).text;
    m_engine->evaluate("ary=null", Want::Nothing);
    // The two helper methods every object inherits are dropped as whole names, so that a member whose name
    // merely ends in one of them keeps its name.
    for (std::string& key : SplitText(text, ","))
        if (key != "toJSONString" && key != "parseJSON") keys.push_back(std::move(key));
    return static_cast<int>(keys.size());
}

int JsonDocument::TypeOf(std::string_view path) {
    if (!m_engine) return Other;
    const std::string target = ruleA(path);
    if (m_engine->request(m_name, target, Transform::IsNull, Want::Truth).truth) return Null;
    std::string type = m_engine->request(m_name, target, Transform::TypeName, Want::Text).text;
    if (type == "string") return String;
    if (type == "number") return Number;
    if (type == "object") return GetText(path, true).substr(0, 1) == "[" ? Array : Object;
    return Other;
}

void JsonDocument::Clear() {
    if (!m_engine) return;
    m_engine->evaluate(m_name + "={}", Want::Nothing);
}

} // namespace tk
