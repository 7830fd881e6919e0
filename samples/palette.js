// The palette and font objects of zolmcom.dll from JScript. Register the DLL
// first (install.cmd), then run:
//
//     cscript //nologo palette.js C:\pictures\sunset.bmp [font name]
//
// What works from JScript: load, ColorCount, lastError, GetFontDirectory, and
// the true/false answers of getRGB and GetFileName.
//
// What does not: the out-parameters. JScript passes every argument by value,
// so getRGB(i, r, g, b) receives copies of r, g and b, fills those copies and
// answers true, while the script's own r, g and b stay undefined; likewise
// the file name of GetFileName(name, file) never reaches the script. Use
// palette.vbs (VBScript passes variables by reference), PowerShell or C++
// when you need the colours or a font's file.
if (WScript.Arguments.length < 1) {
  WScript.Echo("usage: cscript palette.js PICTURE [FONT NAME]");
  WScript.Quit(2);
}
var picture = WScript.Arguments(0);
var loader = new ActiveXObject("zolmcom.PaletteLoader");
if (!loader.load(picture)) {
  // lastError: a library code (-2 to -7) or a system error as an HRESULT.
  var code = loader.lastError;
  WScript.Echo(picture + ": not read, lastError " + code +
               " (0x" + ((code >>> 0).toString(16).toUpperCase()) + ")");
  WScript.Quit(1);
}
WScript.Echo(picture + ": " + loader.ColorCount + " colours");
var r, g, b;
var answered = loader.getRGB(0, r, g, b);
WScript.Echo("getRGB(0) answers " + answered + "; the colour stays " + r + ": " +
             "out-parameters do not come back to JScript");

var fonts = new ActiveXObject("Zolmcom.FontFile");
var fontName = WScript.Arguments.length > 1 ? WScript.Arguments(1) : "Courier";
var file;
WScript.Echo(fontName + (fonts.GetFileName(fontName, file) ? " is installed" : " is not installed") +
             "; fonts folder " + fonts.GetFontDirectory());
