#pragma once
// Where the WinINet stand-in keeps the per-connection options and the URL cache, so that the
// program under test and the test that checks it (another process) see the same state.
//
//   HKCU\Software\Gatewarden Tests\WinINet
//       Calls        REG_MULTI_SZ  one line per InternetSetOptionW call, oldest first
//       FailSet      REG_DWORD     non-zero: INTERNET_OPTION_PER_CONNECTION_OPTION sets fail
//       FailQuery    REG_DWORD     non-zero: per-connection queries fail
//       HoldQuery    REG_SZ        an event's name: per-connection queries log "QueryOption 75 held"
//                                  in Calls, then wait inside the call until it is set (a minute at most)
//       Cache        REG_MULTI_SZ  the URL cache, one entry a line in enumeration order (CacheState.h)
//       OpenFinds    REG_DWORD     cache enumerations opened and not yet closed
//       Lan\<id>                   the LAN connection's options (REG_DWORD or REG_SZ by option;
//       Named\<name>\<id>          a missing value is a null string or the default number)

#define GW_STANDIN_KEY L"Software\\Gatewarden Tests\\WinINet"
#define GW_STANDIN_MUTEX L"Local\\GatewardenTestsWinInet"
