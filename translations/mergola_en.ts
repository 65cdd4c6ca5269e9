<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="nl">
<context>
    <name>Menu</name>
    <message>
        <source>Greyscale</source>
        <translation>Greyscale</translation>
    </message>
    <message>
        <source>Negative</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>Swap colors</source>
        <translation>Swap colors</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Blur</translation>
    </message>
    <message>
        <source>Sharpen</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>Deffuse</source>
        <translation>Diffuse</translation>
    </message>
    <message>
        <source>Pixelize</source>
        <translation>Pixelize</translation>
    </message>
    <message>
        <source>Emboss</source>
        <translation>Emboss</translation>
    </message>
    <message>
        <source>Engrave</source>
        <translation>Engrave</translation>
    </message>
    <message>
        <source>Reliëf</source>
        <translation>Relief</translation>
    </message>
    <message>
        <source>Edge</source>
        <translation>Edge</translation>
    </message>
    <message>
        <source>Contour</source>
        <translation>Contour</translation>
    </message>
    <message>
        <source>Aqua</source>
        <translation>Aqua</translation>
    </message>
    <message>
        <source>Addnoise</source>
        <translation>Add noise</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Coldept</source>
        <translation>Color depth</translation>
    </message>
    <message>
        <source>Contrast neg</source>
        <translation>Less contrast</translation>
    </message>
    <message>
        <source>Contrast pos</source>
        <translation>More contrast</translation>
    </message>
    <message>
        <source>Flip horizontal</source>
        <translation>Flip horizontal</translation>
    </message>
    <message>
        <source>Flip vertikal</source>
        <translation>Flip vertical</translation>
    </message>
    <message>
        <source>Swap colors 1</source>
        <translation>Swap colors 1</translation>
    </message>
    <message>
        <source>Swap colors 2</source>
        <translation>Swap colors 2</translation>
    </message>
    <message>
        <source>Swap colors 3</source>
        <translation>Swap colors 3</translation>
    </message>
    <message>
        <source>Swap colors 4</source>
        <translation>Swap colors 4</translation>
    </message>
    <message>
        <source>Swap colors 5</source>
        <translation>Swap colors 5</translation>
    </message>
    <message>
        <source>Door elkaar</source>
        <translation>Interleave</translation>
    </message>
    <message>
        <source>Painting</source>
        <translation>Painting</translation>
    </message>
    <message>
        <source>Onder elkaar</source>
        <translation>One above the other</translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>Er is geen printer gevonden!</source>
        <translation>No printer found!</translation>
    </message>
    <message>
        <source>Fout bij het afdrukken!</source>
        <translation>Error while printing!</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Bitmap format (*.bmp)|*.bmp</source>
        <extracomment>Translate up to the |; the pattern after it stays as it is.</extracomment>
        <translation>Bitmap format (*.bmp)|*.bmp</translation>
    </message>
    <message>
        <source>Jpg format (*.jpg)|*.jpg</source>
        <extracomment>Translate up to the |; the pattern after it stays as it is.</extracomment>
        <translation>JPG format (*.jpg)|*.jpg</translation>
    </message>
    <message>
        <source>PNG format (*.png)|*.png</source>
        <extracomment>Translate up to the |; the pattern after it stays as it is.</extracomment>
        <translation>PNG format (*.png)|*.png</translation>
    </message>
    <message>
        <source>Fout bij het saven naar BMP!</source>
        <translation>Error while saving as BMP!</translation>
    </message>
    <message>
        <source>Fout bij het saven naar JPG!</source>
        <translation>Error while saving as JPG!</translation>
    </message>
    <message>
        <source>Fout bij het saven naar PNG!</source>
        <translation>Error while saving as PNG!</translation>
    </message>
</context>
<context>
    <name>Slots</name>
    <message>
        <source>Images ( Jpg, Bmp, Gif)|*.jpg;*.bmp;*.gif</source>
        <extracomment>Translate up to the |; the patterns after it stay as they are.</extracomment>
        <translation>Pictures (JPG, BMP, GIF)|*.jpg;*.bmp;*.gif</translation>
    </message>
    <message>
        <source>All pictures</source>
        <translation>All pictures</translation>
    </message>
</context>
<context>
    <name>mergola::Example</name>
    <message>
        <source> Example / %1 x %2 pixels</source>
        <translation> Example / %1 x %2 pixels</translation>
    </message>
</context>
<context>
    <name>mergola::LensCast</name>
    <message>
        <source>Screen sharing refused</source>
        <translation>Screen sharing refused</translation>
    </message>
    <message>
        <source>No screen-cast portal</source>
        <translation>No screen-cast portal</translation>
    </message>
</context>
<context>
    <name>mergola::LensView</name>
    <message>
        <source>Lens</source>
        <translation>Lens</translation>
    </message>
    <message>
        <source>Screen cannot be read</source>
        <translation>Screen cannot be read</translation>
    </message>
</context>
<context>
    <name>mergola::Main</name>
    <message>
        <source>Te weinig geheugen voor %1 x %2 pixels!</source>
        <translation>Not enough memory for %1 x %2 pixels!</translation>
    </message>
    <message>
        <source>help.htm</source>
        <extracomment>The file name of the help page in this language, beside help.htm.</extracomment>
        <translation>help_en.htm</translation>
    </message>
    <message>
        <source>%1 not found in %2</source>
        <translation>%1 not found in %2</translation>
    </message>
    <message>
        <source> Esc stops the filter </source>
        <translation> Esc stops the filter </translation>
    </message>
    <message>
        <source>Slot 1 picture</source>
        <translation>Slot 1 picture</translation>
    </message>
    <message>
        <source>Slot 2 picture</source>
        <translation>Slot 2 picture</translation>
    </message>
    <message>
        <source>Result picture</source>
        <translation>Result picture</translation>
    </message>
    <message>
        <source>Help page</source>
        <translation>Help page</translation>
    </message>
    <message>
        <source>Background red</source>
        <translation>Background red</translation>
    </message>
    <message>
        <source>Background green</source>
        <translation>Background green</translation>
    </message>
    <message>
        <source>Background blue</source>
        <translation>Background blue</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>Lens</translation>
    </message>
    <message>
        <source>Lens magnification</source>
        <translation>Lens magnification</translation>
    </message>
    <message>
        <source>Filter progress</source>
        <translation>Filter progress</translation>
    </message>
    <message>
        <source>% Kwaliteit JPG</source>
        <translation>% JPG quality</translation>
    </message>
    <message>
        <source>Working size</source>
        <translation>Working size</translation>
    </message>
    <message>
        <source>Click for Photo</source>
        <translation>Click for Photo</translation>
    </message>
    <message>
        <source>Orginal</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Border</source>
        <translation>Border</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Combine</source>
        <translation>Combine</translation>
    </message>
    <message>
        <source> Combine pictures </source>
        <translation> Combine pictures </translation>
    </message>
    <message>
        <source>Vergroting</source>
        <translation>Magnifier</translation>
    </message>
    <message>
        <source>On / Off</source>
        <translation>On / Off</translation>
    </message>
    <message>
        <source>Example</source>
        <translation>Example</translation>
    </message>
    <message>
        <source> Laat even het voorbeeld zien</source>
        <translation> Just show the example</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source> Stop program </source>
        <translation> Stop program </translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source> More free software </source>
        <translation> More free software </translation>
    </message>
    <message>
        <source>Filters -&gt;</source>
        <translation>Filters -&gt;</translation>
    </message>
    <message>
        <source>&lt;-- New</source>
        <translation>&lt;-- New</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>JPG  Picture</source>
        <translation>JPG Picture</translation>
    </message>
    <message>
        <source>BMP Picture</source>
        <translation>BMP Picture</translation>
    </message>
    <message>
        <source>PNG Picture</source>
        <translation>PNG Picture</translation>
    </message>
    <message>
        <source>Afdrukken</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Portrait</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Landscape</translation>
    </message>
    <message>
        <source>Appart</source>
        <translation>Tall</translation>
    </message>
    <message>
        <source>Effecten</source>
        <translation>Effects</translation>
    </message>
    <message>
        <source>Combineer</source>
        <translation>Combine</translation>
    </message>
    <message>
        <source>Fout bij het bewaren van de instellingen!</source>
        <translation>Error while saving the settings!</translation>
    </message>
    <message>
        <source>%1 x %2 pixels</source>
        <translation>%1 x %2 pixels</translation>
    </message>
</context>
<context>
    <name>mergola::Sizeform</name>
    <message>
        <source> Size pictures</source>
        <translation> Size pictures</translation>
    </message>
    <message>
        <source>Breedte</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Hoogte</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Vul de breedte en de hoogte in pixels die de nieuwe foto of plaatje uiteindelijk moet krijgen.</source>
        <translation>Enter the width and the height in pixels that the new photo or picture is to get.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Breedte invullen a.u.b.</source>
        <translation>Please fill in the width.</translation>
    </message>
    <message>
        <source>Hoogte invullen a.u.b.</source>
        <translation>Please fill in the height.</translation>
    </message>
</context>
</TS>
