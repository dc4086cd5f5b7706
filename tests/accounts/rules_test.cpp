// The account rules that need no server: quotes, forbidden characters, e-mail form, entry checks, the random
// key and the statements' exact shape.
#include "accounts/account_sql.h"
#include "accounts/account_texts.h"
#include "accounts/heartbeat.h"
#include "accounts/log_in.h"
#include "accounts/password.h"
#include "accounts/random_text.h"
#include "accounts/register.h"
#include "accounts/validation.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

#include <set>

using namespace tk;

TEST(StripQuotes, RemovesEverySingleQuoteOnly) {
    EXPECT_EQ(StripQuotes("a'b''c'"), "abc");
    EXPECT_EQ(StripQuotes("'''"), "");
    EXPECT_EQ(StripQuotes("x\"y`z"), "x\"y`z");
    // A GBK trail byte is never 0x27, so double-byte characters pass untouched.
    EXPECT_EQ(StripQuotes(Gbk("青'禾")), Gbk("青禾"));
}

TEST(HasForbiddenCharacter, EveryListedSignBlankAndHighByte) {
    const std::string signs = " !\"#$%&'()*+,-./:;<=>?@[\\]^_{}~";
    for (char c : signs) EXPECT_TRUE(HasForbiddenCharacter(std::string("abcd") + c + "efgh")) << c;
    for (int c = 0x80; c <= 0xFF; ++c) EXPECT_TRUE(HasForbiddenCharacter(std::string(1, static_cast<char>(c)))) << c;
    EXPECT_TRUE(HasForbiddenCharacter(Gbk("abc青禾")));
    EXPECT_TRUE(HasForbiddenCharacter(Gbk("abc，def"))); // full-width comma
    EXPECT_FALSE(HasForbiddenCharacter("AbCdEfGhIjKlMnOpQrStUvWxYz0123456789"));
    EXPECT_FALSE(HasForbiddenCharacter(""));
    // The list leaves "`" and "|" out.
    EXPECT_FALSE(HasForbiddenCharacter("ab`cd|ef"));
}

TEST(IsValidEmail, WholeTextMustMatch) {
    struct Case { const char* text; bool valid; };
    for (const Case& c : {
             Case{"user@example.com", true},
             Case{"first.last+tag-x@mail.example.co.uk", true},
             Case{"a_b@c-d.e_f", true},
             Case{"a@b.c", true},
             Case{"user@examplecom", false},    // no "." after the at sign
             Case{"user@@example.com", false},  // two at signs in a row
             Case{" user@example.com", false},  // blank in front
             Case{"user@example.com ", false},  // blank behind
             Case{"user@example.com\n", false}, // the anchor does not let a line end through
             Case{"user.@example.com", false},
             Case{".user@example.com", false},
             Case{"us..er@example.com", false},
             Case{"user@example..com", false},
             Case{"user@.example.com", false},
             Case{"@example.com", false},
             Case{"user@", false},
             Case{"", false},
             Case{"x y@example.com", false},
             Case{"a'b@example.com", false},
         })
        EXPECT_EQ(IsValidEmail(c.text), c.valid) << '"' << c.text << '"';
    // Non-ASCII letters are no word characters.
    EXPECT_FALSE(IsValidEmail(Gbk("青禾@example.com")));
}

TEST(RandomInRange, StaysInsideItsBounds) {
    // The drawing step over counter values that reach every 15-bit r, including both ends.
    uint32_t seenLow = 0, seenHigh = 0;
    for (uint32_t t = 0; t < 200000; t += 7) {
        uint32_t v = RandomFromCounter(t * 2654435761u, 1, 3);
        ASSERT_GE(v, 1u);
        ASSERT_LE(v, 3u);
        seenLow += v == 1;
        seenHigh += v == 3;
    }
    EXPECT_GT(seenLow, 0u);
    EXPECT_GT(seenHigh, 0u);
    for (int i = 0; i < 10000; ++i) {
        uint32_t v = RandomInRange(1, 3);
        ASSERT_TRUE(v >= 1 && v <= 3) << v;
    }
    // A high of 0 stands for 2147483647.
    for (uint32_t t = 0; t < 100000; t += 13) {
        uint32_t v = RandomFromCounter(t * 40503u, 2147480000u, 0);
        ASSERT_GE(v, 2147480000u);
        ASSERT_LE(v, 2147483647u);
    }
    EXPECT_EQ(RandomFromCounter(0, 5, 5), 5u);
    // The whole 32-bit range makes the span wrap to 0; that must not divide by it.
    EXPECT_LE(RandomFromCounter(12345, 0, 0xFFFFFFFFu), 0x7FFFu);
}

TEST(RandomInRange, FollowsTheLinearCongruentialStep) {
    for (uint32_t t : {0u, 1u, 0xFFFFFFFFu, 123456789u}) {
        const uint32_t r = ((t * 214013u + 2531011u) >> 16) & 0x7FFFu;
        EXPECT_EQ(RandomFromCounter(t, 0, 0), r) << t;
        EXPECT_EQ(RandomFromCounter(t, 10, 19), 10u + r % 10u) << t;
    }
}

TEST(RandomText, CharactersFromTheThreeClasses) {
    const std::string text = RandomText(2000);
    ASSERT_EQ(text.size(), 2000u);
    std::set<int> kinds;
    for (char c : text) {
        ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << int(c);
        kinds.insert(c <= '9' ? 0 : c <= 'Z' ? 1 : 2);
    }
    EXPECT_EQ(kinds.size(), 3u);
    EXPECT_EQ(RandomText(0), "");
}

TEST(FrozenFlag, WithinATenMillionthOfOne) {
    struct Case { const char* cell; bool frozen; };
    for (const Case& c : {Case{"1", true}, Case{"1.0", true}, Case{" 1", true}, Case{"1.00000001", true},
                          Case{"0.99999999", true}, Case{"1abc", true}, Case{"0", false}, Case{"", false},
                          Case{"2", false}, Case{"yes", false}, Case{"1.001", false}, Case{"-1", false},
                          Case{"x1", false}})
        EXPECT_EQ(IsFrozenFlag(c.cell), c.frozen) << '"' << c.cell << '"';
}

TEST(AccountStatements, ExactShape) {
    using namespace accounts;
    EXPECT_EQ(LogInQuery("abcdefgh", "pw123456"),
              "select * from users where username='abcdefgh' and password='pw123456'");
    EXPECT_EQ(UserByIdQuery("17"), "select * from users where id=17");
    EXPECT_EQ(MarkOnlineStatement("10.0.0.1", "KEY", "17"),
              "update  users set `ip`='10.0.0.1',`zx`=1,`zxkey`='KEY' where id=17");
    EXPECT_EQ(MarkOfflineStatement("17"), "update  users set `zx`=0  where id=17");
    EXPECT_EQ(AccountExistsQuery("abc"), "select * from users where username='abc'");
    EXPECT_EQ(EmailExistsQuery("a@b.c"), "select * from users where email='a@b.c'");
    EXPECT_EQ(RegisterStatement("abcdefgh", "pw123456", "a@b.c", "127.0.0.1", 1765000000),
              "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES "
              "('abcdefgh','pw123456','a@b.c','127.0.0.1','1765000000')");
    EXPECT_EQ(RecoverQuery("abc", "a@b.c"), "select * from users where username='abc' and email='a@b.c'");
    EXPECT_EQ(PasswordUpdateStatement("newpass1", "17"), "update  users set `password`='newpass1'  where id=17");
}

// The entry checks in their order: the first failing one names the outcome.
TEST(RegisterEntryCheck, RulesInOrder) {
    using R = RegisterOutcome;
    const std::string mail = "user@example.com";
    struct Case { std::string account, password, email; std::optional<R> expected; };
    const std::vector<Case> cases = {
        {"", "", "", R::AccountEmpty},
        {"abcdefgh", "", "", R::PasswordEmpty},
        {"abcdefgh", "12345678", "", R::EmailEmpty},
        {"abcdefgh", "12345678", mail, std::nullopt},
        {"ABCdef12", "Pass1234", mail, std::nullopt},
        {"abcdefg", "12345678", mail, R::AccountFormat},           // 7
        {"abcdefghijklmnopqrst", "12345678", mail, std::nullopt},  // 20
        {"abcdefghijklmnopqrstu", "12345678", mail, R::AccountFormat},
        {"abcd efgh", "12345678", mail, R::AccountForbidden},
        {"abcd_efgh", "12345678", mail, R::AccountForbidden},
        {"abcd~efgh", "12345678", mail, R::AccountForbidden},
        {"abcd{efgh", "12345678", mail, R::AccountForbidden},
        {"abcd>efgh", "12345678", mail, R::AccountForbidden},
        {Gbk("abcd青efgh"), "12345678", mail, R::AccountForbidden},
        {"ab_", "x", "y", R::AccountForbidden},                    // forbidden is checked before length
        {"abcdefgh", "1234567", mail, R::PasswordFormat},
        {"abcdefgh", Gbk("1234567！"), mail, R::PasswordForbidden}, // full-width symbol, 8 characters
        {"abcdefgh", "1234 5678", mail, R::PasswordForbidden},
        {"abcdefgh", "p'ssword", mail, R::PasswordForbidden},
        {"abcdefgh", "123456789012345678901", mail, R::PasswordFormat},
        {"abcdefgh", "12345678", "user@examplecom", R::EmailInvalid},
        {"abcdefgh", "12345678", "user@@example.com", R::EmailInvalid},
        {"abcdefgh", "12345678", " user@example.com", R::EmailInvalid},
        {"abcdefgh", "12345678", "a.b+c-d@x.y.z", std::nullopt},
        {"abcdefgh", "12345678", "abcdefghijklmnopqrstuvwx@b.cd", std::nullopt},  // 29
        {"abcdefgh", "12345678", "abcdefghijklmnopqrstuvwxy@b.cd", std::nullopt}, // 30
        {"abcdefgh", "12345678", "abcdefghijklmnopqrstuvwxyz@b.cd", R::EmailInvalid},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegisterEntryCheck(c.account, c.password, c.email), c.expected)
            << GbkToUtf8(c.account) << " / " << GbkToUtf8(c.password) << " / " << c.email;
}

TEST(ChangePasswordEntryCheck, RulesInOrder) {
    using C = ChangePasswordOutcome;
    struct Case { std::string oldPw, newPw, confirm; std::optional<C> expected; };
    const std::vector<Case> cases = {
        {"", "", "", C::OldEmpty},
        {"old", "", "", C::NewEmpty},
        {"old", "newpass1", "", C::ConfirmEmpty},
        {"old", "new pass", "x", C::NewForbidden},
        {"old", Gbk("新密码12345"), "x", C::NewForbidden},
        {"old", "newpas1", "newpas1", C::NewFormat},          // 7
        {"old", "newpass1", "NEWPASS1", C::ConfirmDiffers},   // letter case counts
        {"old", "newpass1", "newpass1 ", C::ConfirmDiffers},
        {"old", "newpass1", "newpass1", std::nullopt},
        {"o'd", "newpass1", "newpass1", std::nullopt},        // the old one is compared, not validated
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangePasswordEntryCheck(c.oldPw, c.newPw, c.confirm), c.expected) << c.newPw << " / " << c.confirm;
}

TEST(AccountMessages, IconsCaptionsAndTheRecoveredPassword) {
    EXPECT_EQ(messageFor(LogInOutcome::Frozen).icon, MessageIcon::Error);
    EXPECT_EQ(messageFor(LogInOutcome::AccountEmpty).text, Gbk("请输入你的青禾账号！"));
    EXPECT_TRUE(messageFor(LogInOutcome::Success).text.empty());

    const Message elsewhere = messageFor(OnlineCheck::KeyDifferent);
    EXPECT_EQ(elsewhere.caption, Gbk("异地登录"));
    EXPECT_EQ(elsewhere.icon, MessageIcon::Error);
    EXPECT_EQ(messageFor(OnlineCheck::KeyEmpty).caption, Gbk("警告"));
    EXPECT_EQ(messageFor(OnlineCheck::NetworkGone).icon, MessageIcon::None);
    EXPECT_TRUE(messageFor(OnlineCheck::NoSingleRow).caption.empty());
    EXPECT_FALSE(ClearsOnlineFlag(OnlineCheck::KeyDifferent));
    EXPECT_TRUE(ClearsOnlineFlag(OnlineCheck::KeyEmpty));

    EXPECT_EQ(messageFor(RegisterOutcome::AccountExists).icon, MessageIcon::Warning);
    EXPECT_EQ(messageFor(RegisterOutcome::Failed).icon, MessageIcon::Error);

    const Message shown = messageFor(RecoverResult{RecoverOutcome::Success, " pw 1234 "});
    EXPECT_EQ(shown.text, Gbk("你的登录密码为[ pw 1234 ]，赶快登录呦！"));
    EXPECT_EQ(messageFor(ChangePasswordOutcome::Success).icon, MessageIcon::Information);
    EXPECT_EQ(messageFor(ChangePasswordOutcome::Failed).icon, MessageIcon::Warning);
}
