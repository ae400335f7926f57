// Dates and times (the test host fixes the English locale and the moment 2026-03-15 10:20:30.250).
d := EncodeDate(2026, 1, 31);
Print(FormatDateTime('yyyy-mm-dd', IncMonth(d, 1)))   // expect: 2026-02-28
Print(FormatDateTime('yyyy-mm-dd', IncMonth(d, -2)))  // expect: 2025-11-30
Print(DayOfWeek(EncodeDate(1899, 12, 30)))            // expect: 7
Print(DateToStr(d))                                   // expect: 1/31/2026
Print(FormatDateTime('dddd, mmmm d, yyyy hh:nn', d + EncodeTime(14, 5, 0, 0)))  // expect: Saturday, January 31, 2026 14:05
Print(DateTimeToStr(d))                               // expect: 1/31/2026
Print(DateTimeToStr(d + EncodeTime(14, 5, 9, 0)))     // expect: 1/31/2026 2:05:09 PM
Print(TimeToStr(EncodeTime(9, 8, 7, 0)))              // expect: 9:08:07 AM
y := 0; m := 0; dd := 0; h := 0; n := 0; s := 0; z := 0;
DecodeDate(d, y, m, dd);
Print(y * 10000 + m * 100 + dd)                       // expect: 20260131
DecodeTime(EncodeTime(1, 2, 3, 4), h, n, s, z);
Print(Format('%d:%d:%d.%d', [h, n, s, z]))            // expect: 1:2:3.4
Print(IsLeapYear(2024))                               // expect: True
Print(IsLeapYear(1900))                               // expect: False
Print(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', Now)) // expect: 2026-03-15 10:20:30.250
Print(FormatDateTime('yyyy-mm-dd hh:nn', Date))       // expect: 2026-03-15 00:00
Print(FormatDateTime('hh:nn:ss', Time))               // expect: 10:20:30
Print(Time < 1)                                       // expect: True
Print(FormatDateTime('yyyy-mm-dd', StrToDate('3/4/76')))   // expect: 1976-03-04
Print(FormatDateTime('yyyy-mm-dd', StrToDate('3/4')))      // expect: 2026-03-04
Print(FormatDateTime('hh:nn', StrToTime('2:30 PM')))       // expect: 14:30
Print(FormatDateTime('c', StrToDateTime('12/24/2026 6:00:00 PM')))  // expect: 12/24/2026 6:00:00 PM
