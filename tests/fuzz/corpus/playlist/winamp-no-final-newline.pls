[playlist]
File1=a.mp3
File2=C:\b.mp3
file3=/c.ogg
File0=zero.mp3
File4=beyond.mp3
NumberOfEntries=3