// Both objects as a JScript user drives them. JScript passes arguments by
// value, so only results and properties are checked here; palette.vbs and
// fontfile.vbs check the out-parameters. Exits with the number of wrong answers.
var failures = 0;
function check(ok, what) {
  if (!ok) {
    WScript.Echo("FAIL objects.js: " + what);
    failures++;
  }
}

var dir = WScript.Arguments(0);
var p = new ActiveXObject("zolmcom.PaletteLoader");
var r, g, b;

check(p.ColorCount === 0, "new object: ColorCount is " + p.ColorCount);
check(p.load(dir + "\\pal8.bmp") === true, "load of pal8.bmp failed");
check(p.ColorCount === 256, "pal8.bmp: ColorCount is " + p.ColorCount);
check(p.getRGB(255, r, g, b) === true, "getRGB(255) answers false");
check(p.getRGB("12", r, g, b) === true, "getRGB(\"12\") answers false");
check(p.getRGB(256, r, g, b) === false, "getRGB(256) answers true");
check(p.getRGB(-1, r, g, b) === false, "getRGB(-1) answers true");
var raised = false;
try { p.getRGB("abc", r, g, b); } catch (e) { raised = true; }
check(raised, "getRGB(\"abc\") raised nothing");
check(p.load(dir + "\\PCXPAL.ICO") === true, "load of PCXPAL.ICO failed");
check(p.ColorCount === 256, "PCXPAL.ICO: ColorCount is " + p.ColorCount);
check(p.load(dir + "\\icon.ico") === false, "load of icon.ico answers true");
check(p.ColorCount === 0, "icon.ico: ColorCount is " + p.ColorCount);
check(p.load(dir + "\\rgb24.bmp") === true && p.ColorCount === 0, "rgb24.bmp");
check(p.load(dir + "\\pal8.gif") === false, "load of pal8.gif answers true");
check(p.lastError === -3, "lastError after pal8.gif is " + p.lastError + ", expected -3");

var f = new ActiveXObject("Zolmcom.FontFile");
var file;
check(f.GetFileName("Courier", file) === true, "Courier not found");
check(f.GetFileName("courier", file) === true, "courier not found");
check(f.GetFileName("No Such Font Anywhere", file) === false, "an unknown font was found");
check(f.GetFileName("", file) === false, "the empty name was found");
var fonts = f.GetFontDirectory();
check(typeof fonts === "string" && /^[A-Za-z]:\\windows\\Fonts$/i.test(fonts), "font directory " + fonts);

if (failures === 0) WScript.Echo("objects.js: all answers right");
WScript.Quit(failures);
