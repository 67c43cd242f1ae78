#include <gtest/gtest.h>

#include "VantrelDestination.h"
#include "VantrelGlobal.h"

namespace ZS_UNITY_ID {

namespace {

String ExeDir() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return ExtractFilePath(buf);
}

String Parsed(const String& Text) {
  TVantrelDestination d(nullptr);
  d.SetAsString(Text);
  return d.AsString();
}

}  // namespace

TEST(Destination, StringsReadBackInCanonicalForm) {
  const String lb = VantrelLoopbackHost;
  struct Case {
    String In, Out;
  } cases[] = {
      {L"Viewer", L"Viewer"},
      {L"viewer,VIEWER", L"Viewer"},
      {L"Viewer,File[Path=C:\\Logs\\app.log;MaxSize=1024]", L"Viewer,File[Path=C:\\Logs\\app.log;MaxSize=1024]"},
      {L"File[Path=C:\\Logs\\app.log;MaxSize=1024;MaxParts=3]", L"File[Path=C:\\Logs\\app.log;MaxSize=1024;MaxParts=3]"},
      // MaxParts without MaxSize is read but not written back.
      {L"File[Path=C:\\a.log;MaxParts=3]", L"File[Path=C:\\a.log]"},
      // The by-date rule: the default format (any case) is not written back, others are.
      {L"File[Path=C:\\a.log;LogByDate=true;LogByDateFormat=YYYYMMDD]", L"File[Path=C:\\a.log;LogByDate=true]"},
      {L"File[Path=C:\\a.log;LogByDate=true;LogByDateFormat=yyyy-mm-dd]",
       L"File[Path=C:\\a.log;LogByDate=true;LogByDateFormat=yyyy-mm-dd]"},
      {L"File[Path=C:\\a.log;LogByDate=maybe]", L"File[Path=C:\\a.log]"},
      // A second item of a kind is kept verbatim after the known kinds.
      {L"File[Path=C:\\a.log],File[Path=C:\\b.log]", L"File[Path=C:\\a.log],File[Path=C:\\b.log]"},
      {L"file[Path=C:\\b.log],Viewer,FILE[Path=x]", L"Viewer,File[Path=C:\\b.log],FILE[Path=x]"},
      // Nesting: a parameter may hold a whole destination string in brackets.
      {L"Tcp[Host=srv;RemoteDestinationDetails=File[Path=x.log;MaxSize=10]]",
       L"TCP[Host=srv;Port=3434;RemoteDestinationDetails=File[Path=x.log;MaxSize=10]]"},
      {L"Udp[Host=srv;Port=abc]", L"UDP[Host=srv;Port=0;RemoteDestinationDetails=Viewer]"},
      {L"Udp[Port=99]", L"UDP[Host=" + lb + L";Port=99;RemoteDestinationDetails=Viewer]"},
      {L"Http[URL=http://h/x;ProxyServer=p;ProxyPort=8080;ProxyUsername=u]",
       L"HTTP[URL=http://h/x;Alias=;ProxyServer=p;ProxyPort=8080;ProxyUsername=u]"},
      {L"Alias[Name=Mine],Viewer", L"Viewer,Alias[Name=Mine]"},
      // A parameter given twice takes its first value.
      {L"Alias[Name=One;Name=Two]", L"Alias[Name=One]"},
      // Macros: a known one is expanded and the text after it is kept whole.
      {L"File[Path=$(AppExeDir)logs\\a.log]", L"File[Path=" + ExeDir() + L"logs\\a.log]"},
      {L"File[Path=$(AppExeDir)\\logs\\a.log]", L"File[Path=" + ExeDir() + L"logs\\a.log]"},
      {L"File[Path=$(%ZS_DEST_TEST%)\\a.log]", L"File[Path=C:\\EnvDir\\a.log]"},
      {L"File[Path=$(Unknown)\\x\\a.log]", L"File[Path=$(Unknown)\\x\\a.log]"},
  };
  SetEnvironmentVariableW(L"ZS_DEST_TEST", L"C:\\EnvDir");
  for (const Case& c : cases) {
    String out;
    EXPECT_NO_THROW(out = Parsed(c.In)) << UTF8Encode(c.In);
    EXPECT_EQ(out, c.Out) << UTF8Encode(c.In);
    // What is written back reads back the same.
    EXPECT_EQ(Parsed(out), out) << UTF8Encode(out);
  }
  SetEnvironmentVariableW(L"ZS_DEST_TEST", nullptr);
}

// Whatever the parser accepts is written so that it reads back to the same destination
// and the same text; what it cannot write back that way it refuses. Assign copies exactly.
TEST(Destination, HostileStringsRoundTripOrAreRefused) {
  struct Case {
    String In;
    const wchar_t* Error;  // nullptr: accepted
  } cases[] = {
      {L"File[Path=[", L"Invalid File Destination -- missing or incorrect Path parameter"},
      {L"Tcp[Host=p[", L"Invalid TCP Destination -- missing or incorrect Host parameter"},
      {L"Udp[Port=1;Host=[x", L"Invalid UDP Destination -- missing or incorrect Host parameter"},
      {L"File[Path=$(MyDocs)$(\"\\a.", L"Invalid File Destination -- missing or incorrect FilePath parameter"},
      {L"File[Path=$(\"\\a.", L"Invalid File Destination -- missing or incorrect FilePath parameter"},
      {L"File[Path=$(%ZS_DEST_TEST%)\\x.log]", L"Invalid File Destination -- missing or incorrect FilePath parameter"},
      {L"Alias[Name=a],Alias[Name=[", L"Invalid Alias Destination -- missing or incorrect Name parameter"},
      {L"Http[URL=g", nullptr},
      {L"Http[URL=g;Alias=", nullptr},
      {L"File[Path=a", nullptr},
      {L"File[Path=a[b]", nullptr},
      {L"File[Path=a[;]b,c.log]", nullptr},
      {L"File[Path=]", nullptr},
      {L"File[Path]", nullptr},
      {L"Tcp[Host=h[a;b]c;RemoteDestinationDetails=Tcp[Host=x;RemoteDestinationDetails=File[Path=y]]]", nullptr},
      {L"Viewer[[[", nullptr},
      {L" alias [Name=n],Viewer, Alias[Name=[m]]", nullptr},
      {L"File[Path=$(Unknown)\\a.log],File[Path=b[c]]", nullptr},
  };
  // An environment macro whose value holds a macro would expand again when read back.
  SetEnvironmentVariableW(L"ZS_DEST_TEST", L"$(AppExeDir)");
  TScopeExit unset([] { SetEnvironmentVariableW(L"ZS_DEST_TEST", nullptr); });
  for (const Case& c : cases) {
    SCOPED_TRACE(UTF8Encode(c.In));
    TVantrelDestination d(nullptr);
    if (c.Error) {
      try {
        d.SetAsString(c.In);
        ADD_FAILURE() << "accepted, written as " << UTF8Encode(d.AsString());
      } catch (const EVantrelInvalidDestination& e) {
        EXPECT_EQ(e.Message(), c.Error);
      }
      continue;
    }
    ASSERT_NO_THROW(d.SetAsString(c.In));
    String once;
    ASSERT_NO_THROW(once = d.AsString());
    TVantrelDestination back(nullptr);
    ASSERT_NO_THROW(back.SetAsString(once));
    EXPECT_EQ(back.AsString(), once);
    EXPECT_EQ(back.DestinationCode(), d.DestinationCode());
    EXPECT_EQ(back.Additional(), d.Additional());
    EXPECT_EQ(back.HTTP()->Alias(), d.HTTP()->Alias());
    EXPECT_EQ(back.TCP()->Host(), d.TCP()->Host());
    EXPECT_EQ(back.Alias()->Name(), d.Alias()->Name());
    EXPECT_EQ(back.LogFile()->FileName(), d.LogFile()->FileName());
    // Assign copies exactly, also into a set that held other values.
    TVantrelDestination copy(nullptr);
    copy.SetAsString(L"Http[URL=u;Alias=other],Tcp[Host=q],File[Path=C:\\z.log]");
    copy.Validate();
    copy.Assign(&d);
    EXPECT_EQ(copy.AsString(), once);
    EXPECT_EQ(copy.DestinationCode(), d.DestinationCode());
  }
}

TEST(Destination, MalformedStringsRaiseWithTheirTexts) {
  struct Case {
    String In, Error, After;  // After: the string once the error has been raised
  } cases[] = {
      {L"Printer", L"Invalid Destination Type -- Printer is not recognized", L""},
      {L"Viewer,Printer[x=1]", L"Invalid Destination Type -- Printer is not recognized", L"Viewer"},
      {L"File", L"Invalid File Destination Option -- unknown  parameter", L""},
      {L"Tcp[Host=a;]", L"Invalid TCP Destination Option -- unknown  parameter", L""},
      {L"Alias[Nom=x]", L"Invalid Alias Destination Option -- unknown Nom parameter", L"Alias[Name=]"},
      {L"File[Path=x]y", L"Invalid Destination Type -- File]y is not recognized", L""},
  };
  for (const Case& c : cases) {
    TVantrelDestination d(nullptr);
    try {
      d.SetAsString(c.In);
      ADD_FAILURE() << "no error for " << UTF8Encode(c.In);
    } catch (const EVantrelInvalidDestination& e) {
      EXPECT_EQ(e.Message(), c.Error) << UTF8Encode(c.In);
    }
    EXPECT_EQ(d.DestinationCode(), DestinationHash(d.AsString()));
    if (!c.After.empty()) {
      EXPECT_EQ(d.AsString(), c.After);
    }
  }
  // A macro without its closing bracket.
  TVantrelDestination d(nullptr);
  try {
    d.SetAsString(L"File[Path=$(AppExeDir\\a.log]");
    ADD_FAILURE() << "no error for an open macro";
  } catch (const EVantrelInvalidDestination& e) {
    EXPECT_EQ(e.Message(), L"Invalid File Destination -- missing or incorrect FilePath parameter");
  }
}

TEST(Destination, ValidationNamesTheMissingParameter) {
  struct Case {
    String In, Error;
  } cases[] = {
      {L"File[MaxSize=1]", L"Invalid File Destination -- missing or incorrect FileName parameter"},
      {L"Tcp[Host=]", L"Invalid TCP Destination -- missing or incorrect Host parameter"},
      {L"Http[Alias=a]", L"Invalid HTTP Destination -- missing or incorrect URL parameter"},
      {L"Http[URL=u;ProxyServer=p]", L"Invalid HTTP Destination -- missing or incorrect ProxyPort parameter"},
      {L"Alias[Name=]", L"Invalid Alias Destination -- missing or incorrect Name parameter"},
  };
  for (const Case& c : cases) {
    TVantrelDestination d(nullptr);
    d.SetAsString(c.In);
    try {
      d.Validate();
      ADD_FAILURE() << "valid: " << UTF8Encode(c.In);
    } catch (const EVantrelInvalidDestination& e) {
      EXPECT_EQ(e.Message(), c.Error);
    }
  }
  TVantrelDestination http(nullptr);
  http.SetAsString(L"Http[URL=http://h]");
  http.Validate();
  EXPECT_EQ(http.HTTP()->Alias(), L"Default");
}

TEST(Destination, KindsAndCodes) {
  TVantrelDestination d(nullptr);
  EXPECT_EQ(d.AsString(), L"");
  EXPECT_EQ(DestinationHash(L""), 0);
  EXPECT_EQ(DestinationHash(L"Viewer"), 1870682626);
  d.TCP()->SetActive(true);
  EXPECT_EQ(d.AsString(), L"TCP[Host=" + VantrelLoopbackHost + L";Port=3434;RemoteDestinationDetails=Viewer]");
  EXPECT_EQ(d.DestinationCode(), DestinationHash(d.AsString()));
  // Inside an update the code is computed once, at the end.
  const Integer before = d.DestinationCode();
  d.BeginUpdate();
  d.TCP()->SetPort(9000);
  EXPECT_EQ(d.DestinationCode(), before);
  d.EndUpdate();
  EXPECT_EQ(d.DestinationCode(), DestinationHash(d.AsString()));

  TVantrelDestination copy(nullptr);
  copy.SetAsString(L"Viewer,Alias[Name=x],File[Path=C:\\q.log]");
  d.Assign(&copy);
  EXPECT_EQ(d.AsString(), L"Viewer,File[Path=C:\\q.log],Alias[Name=x]");
  EXPECT_EQ(d.DestinationCode(), copy.DestinationCode());

  String text = L"File[Path=a[b]c;x=1],Viewer";
  String params, name;
  SplitDestinationItem(text, params, name);
  EXPECT_EQ(name, L"File");
  EXPECT_EQ(params, L"Path=a[b]c;x=1");
  EXPECT_EQ(text, L"Viewer");
}

}  // namespace ZS_UNITY_ID
